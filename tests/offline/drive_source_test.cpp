// The drive source over a host folder: what the emulated calls rely on when
// they read, each answer checked against the folder it was made from.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/offline/winapi/cached_source.h"
#include "platform/offline/winapi/tree_source.h"
#include "platform/os.h"
#include "platform/text.h"
#include "tests/offline/temp_image.h"

namespace {

namespace fs = std::filesystem;
using offline_test::TempImage;

class TreeSourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TempImage::Write(image_.Root() / "WINDOWS" / "inf" / "oem1.inf", "0123456789");
    TempImage::Write(image_.Root() / "WINDOWS" / "inf" / "Other.INF", "x");
    fs::create_directory(image_.Root() / "WINDOWS" / "inf" / "sub");
    ASSERT_EQ(mkfifo((image_.Root() / "WINDOWS" / "inf" / "pipe.inf").c_str(), 0644), 0);
    fs::create_symlink("../../outside", image_.Root() / "WINDOWS" / "inf" / "away.inf");
    tree_ = offline::safefs::Tree::Open(image_.Root().string(), nullptr);
    ASSERT_TRUE(tree_);
    source_ = std::make_unique<offline::TreeSource>(tree_);
  }

  offline::DrivePath Resolve(const offline::safefs::Parts& parts) {
    std::optional<offline::DrivePath> path = source_->Resolve(parts, true);
    EXPECT_TRUE(path);
    return path.value_or(offline::DrivePath{});
  }

  TempImage image_;
  std::shared_ptr<const offline::safefs::Tree> tree_;
  std::unique_ptr<offline::TreeSource> source_;
};

TEST_F(TreeSourceTest, ResolvesWithoutRegardToCaseAndKeepsTheSpellingOnDisk) {
  offline::DrivePath file = Resolve({"windows", "INF", "OEM1.inf"});
  EXPECT_TRUE(file.exists());
  EXPECT_TRUE(S_ISREG(file.mode));
  EXPECT_EQ(file.spelled, (offline::safefs::Parts{"WINDOWS", "inf", "oem1.inf"}));
  EXPECT_EQ(source_->Describe(file), (image_.Root() / "WINDOWS" / "inf" / "oem1.inf").string());

  offline::DrivePath missing = Resolve({"WINDOWS", "inf", "none.inf"});
  EXPECT_FALSE(missing.exists());
  EXPECT_TRUE(missing.parentExists);
  EXPECT_FALSE(source_->Resolve({"WINDOWS", "inf", "away.inf", "x"}, true));  // a link leading out
}

// A folder walked once is looked in directly afterwards, and the names kept
// for finding them whatever their case: both must follow the folder's changes.
TEST_F(TreeSourceTest, ChangesInAFolderAreSeenAfterItWasWalked) {
  const fs::path inf = image_.Root() / "WINDOWS" / "inf";
  EXPECT_EQ(Resolve({"WINDOWS", "inf", "other.inf"}).spelled.back(), "Other.INF");
  TempImage::Write(inf / "Late.INF", "late");
  fs::remove(inf / "oem1.inf");
  fs::create_symlink("../../outside", inf / "oem1.inf");
  const struct {
    offline::safefs::Parts asked;
    const char* spelled;  // nullptr: missing
  } cases[] = {
      {{"WINDOWS", "inf", "late.inf"}, "Late.INF"},
      {{"WINDOWS", "inf", "LATE.INF"}, "Late.INF"},
      {{"WINDOWS", "inf", "OTHER.inf"}, "Other.INF"},
      {{"WINDOWS", "inf", "gone.inf"}, nullptr},
  };
  for (const auto& c : cases) {
    const offline::DrivePath path = Resolve(c.asked);
    EXPECT_EQ(path.exists(), c.spelled != nullptr) << c.asked.back();
    EXPECT_TRUE(path.parentExists) << c.asked.back();
    if (c.spelled) {
      EXPECT_EQ(path.spelled, (offline::safefs::Parts{"WINDOWS", "inf", c.spelled}));
    }
  }
  EXPECT_FALSE(source_->Resolve({"WINDOWS", "inf", "oem1.inf"}, true));  // now a link leading out
  const offline::DrivePath late = Resolve({"WINDOWS", "inf", "late.inf"});
  ASSERT_TRUE(source_->Stat(late));
  EXPECT_EQ(source_->Stat(late)->size, 4u);
  std::unique_ptr<offline::DriveFile> file = source_->Open(late);
  ASSERT_TRUE(file);
  EXPECT_EQ(offline::ReadAll(*file, 10), std::vector<std::uint8_t>({'l', 'a', 't', 'e'}));
}

TEST_F(TreeSourceTest, ListsFilesAndFoldersThatTheFilterTakes) {
  offline::DrivePath inf = Resolve({"WINDOWS", "inf"});
  std::vector<std::string> names;
  auto all = [](std::u16string_view, std::u16string_view) { return true; };
  for (const offline::DriveEntry& e : source_->List(inf, all, 100)) {
    names.push_back(text::ToUtf8(e.name));
    EXPECT_TRUE(e.shortName.empty());  // a host folder keeps no 8.3 names
    if (e.name == u"oem1.inf") {
      EXPECT_EQ(e.stat.size, 10u);
      EXPECT_EQ(e.stat.attributes, os::FILE_ATTRIBUTE_NORMAL);
    }
    if (e.name == u"sub") {
      EXPECT_EQ(e.stat.attributes, os::FILE_ATTRIBUTE_DIRECTORY);
    }
  }
  std::sort(names.begin(), names.end());
  // No FIFO, no link leading out; "." and ".." below the drive's root.
  EXPECT_EQ(names, (std::vector<std::string>{".", "..", "Other.INF", "oem1.inf", "sub"}));

  auto infOnly = [](std::u16string_view name, std::u16string_view) { return name.find(u".inf") != name.npos; };
  EXPECT_EQ(source_->List(inf, infOnly, 100).size(), 1u);
  EXPECT_EQ(source_->List(inf, all, 2).size(), 2u);
  EXPECT_EQ(source_->List(Resolve({}), all, 100).size(), 1u);  // the root: WINDOWS only
}

// A listing kept for later filters reads an entry's size and times only when
// a filter first takes it, and leaves out what is no longer a file by then.
TEST_F(TreeSourceTest, AKeptListingStatesEntriesWhenTaken) {
  const auto cached = offline::Cached(std::make_shared<offline::TreeSource>(tree_));
  const offline::DrivePath inf = cached->Resolve({"WINDOWS", "inf"}, true).value_or(offline::DrivePath{});
  auto only = [](std::u16string wanted) {
    return [wanted](std::u16string_view name, std::u16string_view) { return name == wanted; };
  };
  EXPECT_TRUE(cached->List(inf, only(u"none"), 100).empty());  // listed and kept now
  const fs::path folder = image_.Root() / "WINDOWS" / "inf";
  TempImage::Write(folder / "oem1.inf", "0123456789abcd");
  fs::remove(folder / "Other.INF");
  ASSERT_EQ(mkfifo((folder / "Other.INF").c_str(), 0644), 0);

  const std::vector<offline::DriveEntry> oem = cached->List(inf, only(u"oem1.inf"), 100);
  ASSERT_EQ(oem.size(), 1u);
  EXPECT_EQ(oem[0].stat.size, 14u);
  EXPECT_EQ(oem[0].stat.attributes, os::FILE_ATTRIBUTE_NORMAL);
  EXPECT_TRUE(cached->List(inf, only(u"Other.INF"), 100).empty());
  const std::vector<offline::DriveEntry> sub = cached->List(inf, only(u"sub"), 100);
  ASSERT_EQ(sub.size(), 1u);
  EXPECT_EQ(sub[0].stat.attributes, os::FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(TreeSourceTest, OpensRegularFilesAndFoldersForReadingOnly) {
  std::unique_ptr<offline::DriveFile> file = source_->Open(Resolve({"WINDOWS", "inf", "oem1.inf"}));
  ASSERT_TRUE(file);
  EXPECT_EQ(file->Size(), 10u);
  EXPECT_EQ(file->Links(), 1u);
  EXPECT_GE(file->Fd(), 0);
  char buffer[8] = {};
  EXPECT_EQ(file->ReadAt(6, buffer, sizeof buffer), 4);
  EXPECT_EQ(std::string(buffer, 4), "6789");
  EXPECT_EQ(file->ReadAt(10, buffer, sizeof buffer), 0);
  EXPECT_EQ(offline::ReadAll(*file, 10), std::vector<std::uint8_t>({'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'}));
  EXPECT_FALSE(offline::ReadAll(*file, 9));
  struct stat st;
  ASSERT_EQ(stat((image_.Root() / "WINDOWS" / "inf" / "oem1.inf").c_str(), &st), 0);
  EXPECT_EQ(file->Times().lastWrite, offline::FileTimeTicks(st.st_mtim));
  EXPECT_EQ(fcntl(file->Fd(), F_GETFL) & O_ACCMODE, O_RDONLY);

  std::unique_ptr<offline::DriveFile> folder = source_->Open(Resolve({"WINDOWS", "inf", "sub"}));
  ASSERT_TRUE(folder);
  EXPECT_EQ(folder->Size(), 0u);
  EXPECT_EQ(folder->ReadAt(0, buffer, sizeof buffer), -1);
  EXPECT_EQ(errno, EISDIR);

  errno = 0;
  EXPECT_FALSE(source_->Open(Resolve({"WINDOWS", "inf", "pipe.inf"})));  // never blocks on the FIFO
  EXPECT_EQ(errno, ENODEV);
}

}  // namespace
