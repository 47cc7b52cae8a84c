// The image source on NTFS volumes made for each test: the same answers as
// the tree it was copied from, and what only NTFS gives: 8.3 names that
// patterns match, case through the volume's table, junctions and symbolic
// links that stay on the volume, hard links, streams and deleted files
// unseen, compressed and sparse files, and a damaged index named.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/offline/image/image_source.h"
#include "platform/offline/winapi/image_files.h"
#include "platform/offline/winapi/machine.h"
#include "platform/offline/winapi/path_map.h"
#include "platform/os.h"
#include "platform/text.h"
#include "tests/offline/ntfs_image.h"
#include "tests/offline/temp_image.h"

namespace {

namespace fs = std::filesystem;
using offline_test::MakeNtfs;
using offline_test::SetReparse;
using offline_test::Shell;
using offline_test::TempImage;

struct Found {
  std::string name;
  std::string shortName;
  os::DWORD attributes = 0;
};

std::vector<Found> Find(const char16_t* pattern) {
  std::vector<Found> out;
  os::WIN32_FIND_DATAW data{};
  os::HANDLE h = os::FindFirstFileW(pattern, &data);
  if (h == os::INVALID_HANDLE_VALUE) return out;
  do {
    out.push_back({text::ToUtf8(data.cFileName), text::ToUtf8(data.cAlternateFileName), data.dwFileAttributes});
  } while (os::FindNextFileW(h, &data));
  os::FindClose(h);
  return out;
}

std::vector<std::string> Names(const char16_t* pattern) {
  std::vector<std::string> names;
  for (const Found& f : Find(pattern)) names.push_back(f.name);
  return names;
}

std::string Read(const char16_t* path) {
  auto bytes = offline::ReadImageFile(path, 4 << 20);
  return bytes ? std::string(bytes->begin(), bytes->end()) : "<none>";
}

class ImageSourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string why = offline_test::NtfsUnavailable();
    if (!why.empty()) GTEST_SKIP() << why;
    for (const char* name : {"oem2.inf", "oem10.inf", "OEM1.INF", "elx12.inf", "Long Name Driver.inf"})
      TempImage::Write(Win() / "inf" / name, std::string("[Version]\r\n; ") + name + "\r\n");
    TempImage::Write(Win() / "system32" / "Drivers" / "elxstor.sys", "driver bytes");
    fs::create_directories(Win() / "system32" / "config");
  }
  fs::path Win() const { return tree_.Root() / "WINDOWS"; }
  fs::path ImagePath() const { return tree_.Out().parent_path() / "disk.img"; }

  // An image of the tree, changed further through the mounted volume by `more`.
  void MakeImage(const std::function<bool(const fs::path&)>& more = nullptr) {
    ASSERT_TRUE(MakeNtfs(ImagePath(), 16, [&](const fs::path& mount) {
      return Shell("cp -a '" + tree_.Root().string() + "/.' '" + mount.string() + "'") && (!more || more(mount));
    }));
  }
  bool UseImage(std::string* error = nullptr) {
    offline::UseImageModule(offline::ImageReader());  // linked in, not loaded
    offline::MachineOptions options;
    options.image = ImagePath().string();
    options.output = tree_.Out().string();
    std::string ignored;
    return offline::ConfigureMachine(options, error ? error : &ignored);
  }

  TempImage tree_;
};

TEST_F(ImageSourceTest, AnswersAsTheTreeItWasCopiedFrom) {
  const char16_t* patterns[] = {u"C:\\WINDOWS\\inf\\oem*.inf", u"C:\\windows\\INF\\*", u"C:\\*",
                                u"C:\\WINDOWS\\system32\\drivers\\*.sys", u"C:\\WINDOWS\\inf\\oem?.inf"};
  const char16_t* files[] = {u"C:\\windows\\system32\\DRIVERS\\ELXSTOR.SYS", u"C:\\WINDOWS\\inf\\oem10.inf",
                             u"C:\\WINDOWS\\inf\\missing.inf", u"C:\\WINDOWS\\system32", u"D:\\WINDOWS\\inf\\oem2.inf"};
  auto answers = [&] {
    std::vector<std::string> out;
    for (const char16_t* p : patterns)
      for (const std::string& name : Names(p)) out.push_back(text::ToUtf8(p) + " -> " + name);
    for (const char16_t* f : files) out.push_back(text::ToUtf8(f) + " = " + Read(f));
    return out;
  };
  ASSERT_TRUE(tree_.Configure(true));
  const std::vector<std::string> fromTree = answers();
  MakeImage();
  std::string error;
  ASSERT_TRUE(UseImage(&error)) << error;
  EXPECT_EQ(offline::CurrentMachine().systemDirectory, u"C:\\WINDOWS\\system32");
  EXPECT_EQ(answers(), fromTree);
}

TEST_F(ImageSourceTest, ShortNamesMatchPatternsAndOpenAsOnWindows) {
  MakeImage([](const fs::path& mount) {
    auto shortName = [&](const char* name, const char* dos) {
      return Shell(std::string("setfattr -n system.ntfs_dos_name -v ") + dos + " '" +
                   (mount / "WINDOWS/inf" / name).string() + "'");
    };
    return shortName("elx12.inf", "OEM12.INF") && shortName("Long Name Driver.inf", "OEM13.INF");
  });
  ASSERT_TRUE(UseImage());
  // A file found through its 8.3 name is reported by its long name, in the
  // place of the name that matched.
  std::vector<Found> found = Find(u"C:\\WINDOWS\\inf\\Oem*.inf");
  std::vector<std::string> names;
  for (const Found& f : found) names.push_back(f.name + "/" + f.shortName);
  EXPECT_EQ(names, (std::vector<std::string>{"OEM1.INF/", "oem10.inf/", "elx12.inf/OEM12.INF",
                                             "Long Name Driver.inf/OEM13.INF", "oem2.inf/"}));
  EXPECT_EQ(Read(u"C:\\WINDOWS\\inf\\oem13.INF"), "[Version]\r\n; Long Name Driver.inf\r\n");
  // The tree the image was made from has no 8.3 names.
  ASSERT_TRUE(tree_.Configure(true));
  EXPECT_EQ(Names(u"C:\\WINDOWS\\inf\\Oem*.inf"), (std::vector<std::string>{"OEM1.INF", "oem10.inf", "oem2.inf"}));
}

TEST_F(ImageSourceTest, NamesCompareThroughTheVolumesUpperCaseTable) {
  fs::rename(Win(), tree_.Root() / "windows");
  const fs::path drivers = tree_.Root() / "windows/system32/Drivers";
  fs::rename(drivers / "elxstor.sys", drivers / "ELXSTOR.SYS");
  TempImage::Write(tree_.Root() /
                       "windows/inf/\xC3\x9C"
                       "ber.inf",
                   "umlaut");  // "Über.inf"
  MakeImage();
  ASSERT_TRUE(UseImage());
  EXPECT_EQ(offline::CurrentMachine().systemDirectory, u"C:\\windows\\system32");
  EXPECT_EQ(Read(u"C:\\WINDOWS\\SYSTEM32\\drivers\\elxstor.sys"), "driver bytes");
  EXPECT_EQ(Read(u"C:\\Windows\\Inf\\\u00FCBER.INF"), "umlaut");  // beyond a-z, as NTFS compares
  EXPECT_EQ(Names(u"C:\\WINDOWS\\inf\\\u00FC*"), (std::vector<std::string>{"\xC3\x9C"
                                                                           "ber.inf"}));
}

TEST_F(ImageSourceTest, JunctionsAndSymbolicLinksStayOnTheVolume) {
  MakeImage([](const fs::path& mount) {
    fs::create_directory(mount / "away");
    fs::create_directory(mount / "sys");
    fs::create_directory(mount / "rel");
    return SetReparse(mount / "away", true, u"\\??\\D:\\elsewhere", false) &&
           SetReparse(mount / "sys", true, u"\\??\\C:\\WINDOWS\\system32", false) &&
           SetReparse(mount / "rel", false, u"WINDOWS\\inf", true);
  });
  ASSERT_TRUE(UseImage());
  EXPECT_EQ(Read(u"C:\\sys\\drivers\\elxstor.sys"), "driver bytes");
  EXPECT_EQ(Read(u"C:\\rel\\oem2.inf"), "[Version]\r\n; oem2.inf\r\n");
  EXPECT_FALSE(offline::MapExisting(u"C:\\away\\file.txt"));
  EXPECT_FALSE(offline::MapExisting(u"C:\\away"));
  EXPECT_EQ(Names(u"C:\\rel\\oem1*"), (std::vector<std::string>{"OEM1.INF", "oem10.inf"}));
  // Listed as Windows lists them: folders that are reparse points.
  bool listed = false;
  for (const Found& f : Find(u"C:\\*")) {
    if (f.name != "away") continue;
    listed = true;
    EXPECT_EQ(f.attributes & 0x410u, 0x410u);
  }
  EXPECT_TRUE(listed);
}

TEST_F(ImageSourceTest, HardLinksStreamsDeletedAndSystemFiles) {
  MakeImage([](const fs::path& mount) {
    const fs::path inf = mount / "WINDOWS/inf";
    fs::create_hard_link(inf / "oem2.inf", inf / "second.inf");
    std::ofstream(inf / "gone.inf") << "deleted";
    fs::remove(inf / "gone.inf");
    return Shell("setfattr -n user.hidden -v secret '" + (inf / "oem2.inf").string() + "'");
  });
  ASSERT_TRUE(UseImage());
  EXPECT_EQ(Read(u"C:\\WINDOWS\\inf\\second.inf"), Read(u"C:\\WINDOWS\\inf\\oem2.inf"));
  EXPECT_EQ(Read(u"C:\\WINDOWS\\inf\\oem2.inf"), "[Version]\r\n; oem2.inf\r\n");  // not the stream
  std::optional<offline::Found> linked = offline::MapForRead(u"C:\\WINDOWS\\inf\\second.inf");
  ASSERT_TRUE(linked && linked->exists());
  EXPECT_EQ(linked->source->Stat(linked->path)->links, 2u);
  EXPECT_FALSE(offline::MapExisting(u"C:\\WINDOWS\\inf\\gone.inf"));
  EXPECT_EQ(Names(u"C:\\WINDOWS\\inf\\g*"), std::vector<std::string>());
  EXPECT_FALSE(offline::MapExisting(u"C:\\$MFT"));
  EXPECT_EQ(Names(u"C:\\$*"), std::vector<std::string>());
}

TEST_F(ImageSourceTest, CompressedAndSparseFilesReadAsWritten) {
  std::string pattern;
  for (int i = 0; i < 20000; ++i) pattern += "line " + std::to_string(i % 97) + "\n";
  MakeImage([&](const fs::path& mount) {
    fs::create_directory(mount / "packed");
    if (!Shell("setfattr -n system.ntfs_attrib_be -v 0x00000800 '" + (mount / "packed").string() + "'")) return false;
    std::ofstream(mount / "packed/big.txt", std::ios::binary) << pattern;
    std::ofstream sparse(mount / "holes.bin", std::ios::binary);
    sparse.seekp(1 << 20);
    sparse << "end";
    return true;
  });
  ASSERT_TRUE(UseImage());
  EXPECT_TRUE(Read(u"C:\\packed\\big.txt") == pattern);
  EXPECT_TRUE(Read(u"C:\\holes.bin") == std::string(1 << 20, '\0') + "end");
}

TEST_F(ImageSourceTest, ADamagedIndexOfASystemFolderStopsTheRunWithItsReason) {
  // Enough names that system32's index needs blocks of its own, then every
  // index block's signature broken.
  for (int i = 0; i < 200; ++i)
    TempImage::Write(Win() / "system32" / ("a-rather-long-file-name-" + std::to_string(i) + ".dll"), "x");
  MakeImage();
  // The index blocks that hold one of those names are system32's.
  std::string disk = TempImage::Read(ImagePath());
  std::string name;
  for (char c : std::string("a-rather-long-file-name-1")) name += {c, '\0'};
  int broken = 0;
  for (std::size_t block = 0; block + 4096 <= disk.size(); block += 4096) {
    if (disk.compare(block, 4, "INDX") != 0 || disk.substr(block, 4096).find(name) == std::string::npos) continue;
    disk.replace(block, 4, "XXXX");
    ++broken;
  }
  ASSERT_GT(broken, 0);
  TempImage::Write(ImagePath(), disk);
  std::string error;
  EXPECT_FALSE(UseImage(&error));
  EXPECT_NE(error.find("\\WINDOWS\\system32: the folder cannot be listed (its index is damaged)"), std::string::npos)
      << error;
}

}  // namespace
