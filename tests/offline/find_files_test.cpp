// Folder listings: Windows' wildcard rules, NTFS order, error codes, the
// --output overlay and links that leave the image.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/os.h"
#include "platform/text.h"
#include "tests/offline/temp_image.h"

namespace {

namespace fs = std::filesystem;
using offline_test::TempImage;

struct Listing {
  bool opened = false;
  os::DWORD error = 0;  // last error of the failed FindFirstFileW, or after the last FindNextFileW
  std::vector<std::string> names;
};

Listing List(const char16_t* pattern) {
  Listing result;
  os::WIN32_FIND_DATAW data{};
  os::SetLastError(0xDEADBEEF);
  os::HANDLE h = os::FindFirstFileW(pattern, &data);
  if (h == os::INVALID_HANDLE_VALUE) {
    result.error = os::GetLastError();
    return result;
  }
  result.opened = true;
  do {
    result.names.push_back(text::ToUtf8(data.cFileName));
  } while (os::FindNextFileW(h, &data));
  result.error = os::GetLastError();
  EXPECT_TRUE(os::FindClose(h));
  return result;
}

using Names = std::vector<std::string>;

class FindFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"oem2.inf", "oem10.inf", "OEM1.INF", "oem.inf", "oem3.pnf", "oem4.inf.bak", "oem5.x.inf",
                             "_oem.inf", "boem.inf", "Oem\xC3\x9C.inf"})
      TempImage::Write(Inf() / name, "x");
    ASSERT_TRUE(image_.Configure());
  }
  fs::path Inf() const { return image_.Root() / "WINDOWS" / "inf"; }
  TempImage image_;
};

TEST_F(FindFilesTest, OemPatternInNtfsOrder) {
  Listing l = List(u"C:\\WINDOWS\\inf\\Oem*.inf");
  ASSERT_TRUE(l.opened);
  // Upper-cased code-unit order: "10" before "2", non-ASCII after ASCII; the
  // name must end in ".inf", so no ".inf.bak" and no ".pnf".
  EXPECT_EQ(l.names, (Names{"oem.inf", "OEM1.INF", "oem10.inf", "oem2.inf", "oem5.x.inf", "Oem\xC3\x9C.inf"}));
  EXPECT_EQ(l.error, os::ERROR_NO_MORE_FILES);
}

TEST_F(FindFilesTest, WildcardsFollowWindowsRules) {
  struct Case {
    const char16_t* pattern;
    Names names;
  } cases[] = {
      {u"C:\\windows\\INF\\OEM?.INF", {"oem.inf", "OEM1.INF", "oem2.inf", "Oem\xC3\x9C.inf"}},
      {u"C:\\WINDOWS\\inf\\*oem.inf", {"boem.inf", "oem.inf", "_oem.inf"}},  // 'B' < 'O' < '_'
      {u"C:\\WINDOWS\\inf\\oem1*", {"OEM1.INF", "oem10.inf"}},
      {u"C:\\WINDOWS\\inf\\oem4.inf.*", {"oem4.inf.bak"}},
      {u"C:\\WINDOWS\\inf\\OEM2.INF", {"oem2.inf"}},
      {u"C:\\WINDOWS\\inf\\oem*.?nf",
       {"oem.inf", "OEM1.INF", "oem10.inf", "oem2.inf", "oem3.pnf", "oem5.x.inf", "Oem\xC3\x9C.inf"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(text::ToUtf8(c.pattern));
    Listing l = List(c.pattern);
    EXPECT_TRUE(l.opened);
    EXPECT_EQ(l.names, c.names);
  }
}

TEST_F(FindFilesTest, StarDotStarListsNamesWithoutADotAndFoldersListDots) {
  TempImage::Write(Inf() / "README", "x");
  Listing l = List(u"C:\\WINDOWS\\inf\\*.*");
  ASSERT_TRUE(l.opened);
  ASSERT_GE(l.names.size(), 3u);
  EXPECT_EQ(l.names[0], ".");
  EXPECT_EQ(l.names[1], "..");
  EXPECT_NE(std::find(l.names.begin(), l.names.end(), "README"), l.names.end());

  // The drive's root has neither "." nor "..".
  Listing root = List(u"C:\\*");
  EXPECT_EQ(root.names, (Names{"WINDOWS"}));
}

TEST_F(FindFilesTest, ErrorCodesForMissingFoldersNoMatchAndBadHandles) {
  Listing missing = List(u"C:\\WINDOWS\\nowhere\\oem*.inf");
  EXPECT_FALSE(missing.opened);
  EXPECT_EQ(missing.error, os::ERROR_PATH_NOT_FOUND);
  Listing throughFile = List(u"C:\\WINDOWS\\inf\\oem2.inf\\*");
  EXPECT_EQ(throughFile.error, os::ERROR_PATH_NOT_FOUND);
  Listing otherDrive = List(u"E:\\WINDOWS\\inf\\*");
  EXPECT_EQ(otherDrive.error, os::ERROR_PATH_NOT_FOUND);
  Listing none = List(u"C:\\WINDOWS\\inf\\*.sys");
  EXPECT_FALSE(none.opened);
  EXPECT_EQ(none.error, os::ERROR_FILE_NOT_FOUND);

  os::WIN32_FIND_DATAW data{};
  os::SetLastError(0);
  EXPECT_FALSE(os::FindNextFileW(os::INVALID_HANDLE_VALUE, &data));
  EXPECT_EQ(os::GetLastError(), os::ERROR_INVALID_HANDLE);
  EXPECT_FALSE(os::FindClose(os::INVALID_HANDLE_VALUE));
}

TEST_F(FindFilesTest, EntriesCarrySizeAndFolderAttribute) {
  TempImage::Write(Inf() / "big.inf", std::string(1234, 'x'));
  fs::create_directory(Inf() / "sub.inf");
  os::WIN32_FIND_DATAW data{};
  os::HANDLE h = os::FindFirstFileW(u"C:\\WINDOWS\\inf\\BIG.INF", &data);
  ASSERT_NE(h, os::INVALID_HANDLE_VALUE);
  EXPECT_EQ(data.nFileSizeLow, 1234u);
  EXPECT_EQ(data.dwFileAttributes & os::FILE_ATTRIBUTE_DIRECTORY, 0u);
  os::FindClose(h);
  h = os::FindFirstFileW(u"C:\\WINDOWS\\inf\\sub.inf", &data);
  ASSERT_NE(h, os::INVALID_HANDLE_VALUE);
  EXPECT_NE(data.dwFileAttributes & os::FILE_ATTRIBUTE_DIRECTORY, 0u);
  os::FindClose(h);
}

TEST(FindFilesOverlayTest, OutputAndImageMergeOnceAndLinksOutAreNotListed) {
  TempImage image;
  TempImage::Write(image.Root() / "WINDOWS" / "inf" / "oem1.inf", "image");
  TempImage::Write(image.Root() / "WINDOWS" / "inf" / "oem3.inf", "image");
  TempImage::Write(image.Out() / "windows" / "INF" / "OEM1.INF", "output");
  TempImage::Write(image.Out() / "windows" / "INF" / "oem2.inf", "output");
  TempImage::Write(image.Outside() / "oem9.inf", "outside");
  fs::create_symlink(image.Outside() / "oem9.inf", image.Root() / "WINDOWS" / "inf" / "oem9.inf");
  fs::create_symlink("oem3.inf", image.Root() / "WINDOWS" / "inf" / "oem4.inf");
  ASSERT_TRUE(image.Configure(true));
  Listing l = List(u"C:\\WINDOWS\\inf\\oem*.inf");
  // The output folder's spelling wins for a name both hold; a link inside the image is listed.
  EXPECT_EQ(l.names, (Names{"OEM1.INF", "oem2.inf", "oem3.inf", "oem4.inf"}));
}

// Listings and paths are remembered for the run, but what the program writes
// (below --output, or into the image without it) is seen by the next look.
TEST(FindFilesOverlayTest, WhatTheProgramWritesIsListedAfterwards) {
  for (bool output : {true, false}) {
    SCOPED_TRACE(output ? "below --output" : "into the image");
    TempImage image;
    TempImage::Write(image.Root() / "Halvorn" / "Version" / "Quillon.exe", "marker");
    ASSERT_TRUE(image.Configure(output));
    EXPECT_EQ(List(u"C:\\Halvorn\\Version\\*").names, (Names{".", "..", "Quillon.exe"}));
    os::HANDLE h = os::CreateFileW(u"C:\\Halvorn\\Version\\SysInfo.log", os::GENERIC_WRITE, 0, nullptr,
                                   os::CREATE_ALWAYS, os::FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, os::INVALID_HANDLE_VALUE);
    EXPECT_EQ(List(u"C:\\Halvorn\\Version\\*").names, (Names{".", "..", "Quillon.exe", "SysInfo.log"}));
    os::DWORD written = 0;
    EXPECT_TRUE(os::WriteFile(h, "report", 6, &written, nullptr));
    os::CloseHandle(h);
    os::WIN32_FIND_DATAW data{};
    os::HANDLE find = os::FindFirstFileW(u"C:\\Halvorn\\Version\\SysInfo.log", &data);
    ASSERT_NE(find, os::INVALID_HANDLE_VALUE);
    EXPECT_EQ(data.nFileSizeLow, 6u);
    os::FindClose(find);
    EXPECT_TRUE(os::DeleteFileW(u"C:\\Halvorn\\Version\\SysInfo.log"));
    EXPECT_EQ(List(u"C:\\Halvorn\\Version\\*").names, (Names{".", "..", "Quillon.exe"}));
  }
}

}  // namespace
