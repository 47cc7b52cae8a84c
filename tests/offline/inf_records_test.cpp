// What a run keeps of the INF files it opened: a later open of the same path
// gives the same answers, wherever [Version] lies, and a file written below
// --output in between is read afresh.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/os.h"
#include "tests/offline/temp_image.h"

namespace {

using offline_test::TempImage;

const char kSignature[] = "[Version]\r\nSignature=\"$Windows NT$\"\r\n";

// The text of the first CatalogFile line of [Version], or what went wrong.
std::u16string Catalog(const char16_t* path) {
  os::HINF inf = os::SetupOpenInfFileW(path, nullptr, os::INF_STYLE_WIN4, nullptr);
  if (inf == os::INVALID_HANDLE_VALUE) return u"<not opened>";
  os::INFCONTEXT context{};
  char16_t text[64] = {};
  const bool found = os::SetupFindFirstLineW(inf, u"Version", u"CatalogFile", &context) &&
                     os::SetupGetLineTextW(&context, nullptr, nullptr, nullptr, text, 64, nullptr);
  os::SetupCloseInfFile(inf);
  return found ? std::u16string(text) : u"<no line>";
}

TEST(InfRecordsTest, LaterOpensAnswerAsTheFirstWhereverVersionLies) {
  const struct {
    const char16_t* path;
    std::string text;
    const char16_t* catalog;
  } cases[] = {
      {u"C:\\WINDOWS\\inf\\oem1.inf", std::string(kSignature) + "CatalogFile=top.cat\r\n[S]\r\nK=v\r\n", u"top.cat"},
      {u"C:\\WINDOWS\\inf\\oem2.inf", "; " + std::string(6000, 'c') + "\r\n" + kSignature + "CatalogFile=far.cat\r\n",
       u"far.cat"},
      {u"C:\\WINDOWS\\inf\\oem3.inf", std::string(kSignature) + "[S]\r\nK=v\r\n[version]\r\nCatalogFile=second.cat\r\n",
       u"second.cat"},
      {u"C:\\WINDOWS\\inf\\oem4.inf", std::string(kSignature) + "CatalogFile=%c%\r\n[Strings]\r\nc=named.cat\r\n",
       u"named.cat"},
  };
  TempImage image;
  for (const auto& c : cases) {
    const std::u16string name(c.path + std::u16string(u"C:\\WINDOWS\\inf\\").size());
    TempImage::Write(image.Root() / "WINDOWS" / "inf" / std::string(name.begin(), name.end()), c.text);
  }
  ASSERT_TRUE(image.Configure(true));
  for (int round = 0; round < 3; ++round) {
    for (const auto& c : cases) EXPECT_EQ(Catalog(c.path), c.catalog) << "round " << round;
  }
}

TEST(InfRecordsTest, AFileWrittenBelowOutputIsReadAfresh) {
  TempImage image;
  TempImage::Write(image.Root() / "WINDOWS" / "inf" / "oem1.inf", std::string(kSignature) + "CatalogFile=a.cat\r\n");
  ASSERT_TRUE(image.Configure(true));
  EXPECT_EQ(Catalog(u"C:\\WINDOWS\\inf\\oem1.inf"), u"a.cat");

  const std::string text = std::string(kSignature) + "CatalogFile=written.cat\r\n";
  os::HANDLE h = os::CreateFileW(u"C:\\WINDOWS\\INF\\OEM1.INF", os::GENERIC_WRITE, 0, nullptr, os::CREATE_ALWAYS,
                                 os::FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, os::INVALID_HANDLE_VALUE);
  os::DWORD written = 0;
  EXPECT_TRUE(os::WriteFile(h, text.data(), static_cast<os::DWORD>(text.size()), &written, nullptr));
  EXPECT_EQ(Catalog(u"C:\\WINDOWS\\inf\\oem1.inf"), u"written.cat");  // written, not yet closed
  os::CloseHandle(h);
  EXPECT_EQ(Catalog(u"C:\\WINDOWS\\inf\\oem1.inf"), u"written.cat");
}

}  // namespace
