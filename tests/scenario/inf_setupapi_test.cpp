// INF files read through the setup API calls: the line texts are what Windows
// gives, so the same table holds for the offline reader and the real setupapi.
#include <gtest/gtest.h>

#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "platform/os.h"
#include "tests/support/scenario.h"

namespace {

using testing_support::Scenario;

struct InfCase {
  const char* name;
  std::string body;  // after the [Version] header
  const char16_t* section;
  const char16_t* key;
  const char16_t* expected;  // nullptr: no such line
};

const char kHeader[] = "[Version]\r\nSignature=\"$Windows NT$\"\r\n";

std::u16string LineText(const std::u16string& path, const char16_t* section, const char16_t* key, os::DWORD* error) {
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
      // Wine's conformance tests (dlls/setupapi/tests/parser.c, key_names), which pass on Windows:
      // blanks before a continuation backslash are dropped.
      {"blanks before the backslash dropped", "[S]\r\nab  \\  \r\ncd=ef\r\n", u"S", u"abcd", u"ef"},
      {"backslashes and a comment continue", "[S]\r\nab \\ \\ ;c\r\ncd=ef\r\n", u"S", u"ABCD", u"ef"},
      {"in a value, over two lines", "[S]\r\nba=c \\ \r\n \\ \r\n a\r\n", u"S", u"ba", u"ca"},
      {"a backslash before text is text", "[S]\r\nba=c \\ \r\n \\ a\r\n", u"S", u"ba", u"c\\ a"},
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

// SetupGetLineTextW replaces directory ids with the system's folders
// (Microsoft's "Using Dirids"); a folder's final backslash goes when the text
// goes on with one (Wine's conformance tests: "%24%\fred" is C:\fred).
TEST(InfSetupApiTest, DirectoryIdsAreTheSystemsFolders) {
  Scenario s;
  const std::u16string windows = s.WindowsDir(), system = s.SystemDir(), drive = system.substr(0, 3);
  const struct {
    const char* value;
    std::u16string expected;
  } cases[] = {
      {"%10%", windows},
      {"%11%\\drivers", system + u"\\drivers"},
      {"%12%\\elxstor.sys", system + u"\\drivers\\elxstor.sys"},
      {"%17%\\oem1.inf", windows + u"\\inf\\oem1.inf"},
      {"\"%24%\"", drive},
      {"\"%24%\\fred\"", drive + u"fred"},
      {"\"%24%\\\\fred\"", drive + u"\\fred"},
      {"%16422%\\Tandrel", drive + u"Program Files\\Tandrel"},
      {"%11%,%%,x%11%y", system + u",%," + u"x" + system + u"y"},
  };
  const std::u16string path = windows + u"\\inf\\dirids.inf";
  std::string body;
  for (std::size_t i = 0; i < std::size(cases); ++i) body += "K" + std::to_string(i) + "=" + cases[i].value + "\r\n";
  s.WriteText(path, std::string(kHeader) + "[S]\r\n" + body);
  s.Apply();
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const std::string key = "K" + std::to_string(i);
    os::DWORD error = 0;
    EXPECT_EQ(LineText(path, u"S", std::u16string(key.begin(), key.end()).c_str(), &error), cases[i].expected)
        << cases[i].value;
  }
}

// Files that do not open: Windows' error and error line, from Wine's
// conformance tests (parser.c, invalid_files), which pass on Windows.
TEST(InfSetupApiTest, SyntaxErrorsGiveTheirCodeAndLine) {
  const std::string header = "[Version]\r\nSignature=\"$CHICAGO$\"\r\n";
  const struct {
    const char* name;
    std::string text;
    os::DWORD error;  // 0: opens
    os::UINT line;
    const char* wineDiffers;
  } cases[] = {
      {"section header without ]", header + "[ab\r\n", os::ERROR_BAD_SECTION_NAME_LINE, 3, nullptr},
      {"] after Ctrl-Z", header + "\n\n[ab\x1a]\n", os::ERROR_BAD_SECTION_NAME_LINE, 5, nullptr},
      {"section name of 256", header + "[" + std::string(256, 'a') + "]\r\n", os::ERROR_SECTION_NAME_TOO_LONG, 3,
       nullptr},
      {"section name of 255", header + "[" + std::string(255, 'a') + "]\r\n", 0, 0, nullptr},
      {"text before the first section", "abc\r\n" + header, os::ERROR_EXPECTED_SECTION_NAME, 1, nullptr},
      {"after comments", ";\n;\nabc\r\n" + header, os::ERROR_EXPECTED_SECTION_NAME, 3, nullptr},
      {"after blanks", " \t\ngarbage1\ngarbage2\n" + header + "[abc]\n", os::ERROR_EXPECTED_SECTION_NAME, 2, nullptr},
      {"tolerated with [Strings]", "garbage1\ngarbage2\n[Strings]\n" + header, 0, 0, nullptr},
      {"no signature", "[Version]\nSignature=foo", os::ERROR_WRONG_INF_STYLE, 0, nullptr},
      {"signature in a repeated [Version]", "[Version]\nabc=def\n[Version]\nSignature=$chicago$", 0, 0, nullptr},
      {"only text", "abcd\r\n", os::ERROR_WRONG_INF_STYLE, 0,
       "Wine reports a missing section name here (its own test marks the case todo_wine)"},
  };
  Scenario s;
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.wineDiffers && Scenario::IsWine()) {
      std::fprintf(stderr, "case \"%s\" skipped on Wine: %s\n", c.name, c.wineDiffers);
      continue;
    }
    const std::u16string path = s.WindowsDir() + u"\\inf\\bad" + std::u16string(1, char16_t(u'a' + n++)) + u".inf";
    s.WriteText(path, c.text);
    s.Apply();
    os::UINT line = 0xdeadbeef;
    os::SetLastError(0xdeadbeef);
    os::HINF inf = os::SetupOpenInfFileW(path.c_str(), nullptr, os::INF_STYLE_WIN4, &line);
    if (c.error == 0) {
      EXPECT_NE(inf, os::INVALID_HANDLE_VALUE);
      if (inf != os::INVALID_HANDLE_VALUE) os::SetupCloseInfFile(inf);
      continue;
    }
    EXPECT_EQ(inf, os::INVALID_HANDLE_VALUE);
    EXPECT_EQ(os::GetLastError(), c.error);
    EXPECT_EQ(line, c.line);
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
