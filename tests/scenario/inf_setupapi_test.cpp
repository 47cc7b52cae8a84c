// INF files read through the setup API calls: the line texts are what Windows
// gives, so the same table holds for the offline reader and the real setupapi.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/os.h"
#include "tests/support/scenario.h"

namespace {

using testing_support::Scenario;

struct InfCase {
  const char* name;
  std::string body;         // after the [Version] header
  const char16_t* section;
  const char16_t* key;
  const char16_t* expected; // nullptr: no such line
};

const char kHeader[] = "[Version]\r\nSignature=\"$Windows NT$\"\r\n";

std::u16string LineText(const std::u16string& path, const char16_t* section, const char16_t* key,
                        os::DWORD* error) {
  os::HINF inf = os::SetupOpenInfFileW(path.c_str(), nullptr, os::INF_STYLE_WIN4, nullptr);
  if (inf == os::INVALID_HANDLE_VALUE) {
    *error = os::GetLastError();
    return u"<not opened>";
  }
  std::u16string result = u"<no line>";
  os::INFCONTEXT context{};
  os::SetLastError(0xdeadbeef);
  if (os::SetupFindFirstLineW(inf, section, key, &context)) {
    os::DWORD size = 0;
    if (os::SetupGetLineTextW(&context, nullptr, nullptr, nullptr, nullptr, 0, &size) && size > 0) {
      std::vector<char16_t> buffer(size);
      if (os::SetupGetLineTextW(&context, nullptr, nullptr, nullptr, buffer.data(), size, nullptr))
        result.assign(buffer.data());
    }
  } else {
    *error = os::GetLastError();
  }
  os::SetupCloseInfFile(inf);
  return result;
}

TEST(InfSetupApiTest, LineTextsFollowWindowsRules) {
  const std::vector<InfCase> cases = {
      {"plain value", "CatalogFile=elxstor.cat\r\n", u"version", u"CatalogFile", u"elxstor.cat"},
      {"comment after value", "CatalogFile = ql2300.cat ; StorPort\r\n", u"Version", u"catalogfile", u"ql2300.cat"},
      {"quotes removed, inner blanks kept", "[S]\r\nK=\"a  b\" , c\r\n", u"S", u"K", u"a  b,c"},
      {"several and empty fields", "[S]\r\nK=a,,,d\r\n", u"S", u"K", u"a,,,d"},
      {"first matching line only", "[S]\r\nAddReg=one\r\nAddReg=TEVOCCL\r\n", u"S", u"AddReg", u"one"},
      {"duplicate section merged", "[S]\r\nA=1\r\n[T]\r\nX=2\r\n[s]\r\nB=3\r\n", u"S", u"B", u"3"},
      {"strings substituted", "[S]\r\nK=%Name%,%%,%missing%\r\n[Strings]\r\nname=\"Tevo CCL\"\r\n", u"S", u"K",
       u"Tevo CCL,%,%missing%"},
      {"continuation joins lines", "[S]\r\nK=a,\\\r\n   b\r\n", u"S", u"K", u"a,b"},
      {"missing key", "[S]\r\nK=a\r\n", u"S", u"Other", nullptr},
      {"missing section", "[S]\r\nK=a\r\n", u"T", u"K", nullptr},
  };
  Scenario s;
  int n = 0;
  for (const InfCase& c : cases) {
    std::u16string path = s.WindowsDir() + u"\\inf\\case" + std::u16string(1, char16_t(u'a' + n++)) + u".inf";
    s.WriteText(path, std::string(kHeader) + c.body);
    s.Apply();
    os::DWORD error = 0;
    std::u16string got = LineText(path, c.section, c.key, &error);
    if (c.expected) {
      EXPECT_EQ(got, c.expected) << c.name;
    } else {
      EXPECT_EQ(got, u"<no line>") << c.name;
      EXPECT_EQ(error, os::ERROR_LINE_NOT_FOUND) << c.name;
    }
  }
}

TEST(InfSetupApiTest, Utf16FileAndStyleChecks) {
  Scenario s;
  std::u16string text = u"[Version]\r\nSignature=\"$Chicago$\"\r\nCatalogFile=tevoccl.cat\r\n";
  std::vector<std::uint8_t> bytes = {0xFF, 0xFE};
  for (char16_t c : text) {
    bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  std::u16string unicode = s.WindowsDir() + u"\\inf\\oem7.inf";
  s.WriteFile(unicode, bytes);
  std::u16string unsigned_ = s.WindowsDir() + u"\\inf\\oem8.inf";
  s.WriteText(unsigned_, "[Version]\r\nClass=System\r\n");
  s.Apply();

  os::DWORD error = 0;
  EXPECT_EQ(LineText(unicode, u"Version", u"CatalogFile", &error), u"tevoccl.cat");
  EXPECT_EQ(LineText(unsigned_, u"Version", u"Class", &error), u"<not opened>");
  EXPECT_EQ(error, os::ERROR_WRONG_INF_STYLE);
  EXPECT_EQ(LineText(s.WindowsDir() + u"\\inf\\absent.inf", u"Version", u"Class", &error), u"<not opened>");
  EXPECT_EQ(error, os::ERROR_FILE_NOT_FOUND);
}

TEST(InfSetupApiTest, BufferTooSmallKeepsRequiredSize) {
  Scenario s;
  std::u16string path = s.WindowsDir() + u"\\inf\\oem3.inf";
  s.WriteText(path, std::string(kHeader) + "CatalogFile=abcdef.cat\r\n");
  s.Apply();
  os::HINF inf = os::SetupOpenInfFileW(path.c_str(), nullptr, os::INF_STYLE_WIN4, nullptr);
  ASSERT_NE(inf, os::INVALID_HANDLE_VALUE);
  os::INFCONTEXT context{};
  ASSERT_TRUE(os::SetupFindFirstLineW(inf, u"Version", u"CatalogFile", &context));
  char16_t small[4];
  os::DWORD size = 0;
  os::SetLastError(0xdeadbeef);
  EXPECT_FALSE(os::SetupGetLineTextW(&context, nullptr, nullptr, nullptr, small, 4, &size));
  EXPECT_EQ(os::GetLastError(), os::ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(size, 11u);
  os::SetupCloseInfFile(inf);
}

}  // namespace
