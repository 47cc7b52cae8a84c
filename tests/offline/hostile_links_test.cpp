// Links in a hostile image: one swapped in at any step of a walk (or by a
// second thread, over and over) never gets a write outside; links that stay
// inside keep working; links that leave, dangle or loop lead nowhere. Each
// runs with openat2 and with the step-by-step walk used where the kernel
// lacks it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/offline/winapi/image_files.h"
#include "platform/offline/winapi/safe_fs.h"
#include "platform/os.h"
#include "platform/text.h"
#include "files/text_file.h"
#include "tests/offline/temp_image.h"

namespace {

namespace fs = std::filesystem;
using offline_test::FileHandle;
using offline_test::TempImage;

constexpr os::DWORD kReadWrite = os::GENERIC_READ | os::GENERIC_WRITE;
const char16_t kReport[] = u"C:\\Halvorn\\Version\\SysInfo.log";

// The image's Halvorn\Version folder, and outside it a folder of the same
// shape that a swapped-in link points to.
void LayOut(const TempImage& image) {
  TempImage::Write(image.Root() / "Halvorn" / "Version" / "SysInfo.log", "old");
  TempImage::Write(image.Outside() / "Version" / "SysInfo.log", "untouched");
}

// Outside holds what it held, and nothing else.
void ExpectOutsideUntouched(const TempImage& image) {
  std::vector<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(image.Outside()))
    names.push_back(fs::relative(entry.path(), image.Outside()).string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Version", "Version/SysInfo.log"}));
  EXPECT_EQ(TempImage::Read(image.Outside() / "Version" / "SysInfo.log"), "untouched");
}

// Replaces the image's Halvorn folder with a link to the outside folder.
void SwapInLink(const TempImage& image) {
  fs::rename(image.Root() / "Halvorn", image.Root() / "Halvorn.real");
  fs::create_directory_symlink(image.Outside(), image.Root() / "Halvorn");
}

void WriteThroughHandle(os::DWORD disposition) {
  FileHandle h(os::CreateFileW(kReport, kReadWrite, os::FILE_SHARE_WRITE, nullptr, disposition,
                               os::FILE_ATTRIBUTE_NORMAL, nullptr));
  os::DWORD written = 0;
  if (h.valid()) os::WriteFile(h.get(), "new", 3, &written, nullptr);
}

void WriteReport() {
  CTextFile f;
  if (f.Create(kReport)) f.Write(u"new report");
  f.Close();
}

struct Operation {
  const char* name;
  std::function<void()> run;
};

const Operation kOperations[] = {
    {"CreateFileW CREATE_ALWAYS", [] { WriteThroughHandle(os::CREATE_ALWAYS); }},
    {"CreateFileW OPEN_ALWAYS", [] { WriteThroughHandle(os::OPEN_ALWAYS); }},
    {"CTextFile replacing the report", WriteReport},
    {"CreateDirectoryW", [] { os::CreateDirectoryW(u"C:\\Halvorn\\Version\\made", nullptr); }},
    {"DeleteFileW", [] { os::DeleteFileW(kReport); }},
};

class HostileLinksTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override { offline::safefs::UseOpenat2ForTesting(GetParam()); }
  void TearDown() override {
    offline::safefs::SetStepHookForTesting(nullptr);
    offline::safefs::UseOpenat2ForTesting(true);
  }
};

TEST_P(HostileLinksTest, ALinkSwappedInAtAnyStepNeverLeadsOut) {
  for (const Operation& op : kOperations) {
    SCOPED_TRACE(op.name);
    for (int at = 1;; ++at) {
      ASSERT_LT(at, 500) << "the operation never ends";
      TempImage image;
      LayOut(image);
      ASSERT_TRUE(image.Configure());
      int steps = 0;
      offline::safefs::SetStepHookForTesting([&] {
        if (++steps == at) SwapInLink(image);
      });
      op.run();
      offline::safefs::SetStepHookForTesting(nullptr);
      ExpectOutsideUntouched(image);
      if (steps < at) break;  // it ended before step `at`: every step has been raced
    }
  }
}

TEST_P(HostileLinksTest, ASecondThreadSwappingALinkNeverGetsAWriteOutside) {
  TempImage image;
  LayOut(image);
  fs::create_directory_symlink(image.Outside(), image.Root() / "Swap");
  ASSERT_TRUE(image.Configure());
  std::atomic<bool> stop{false};
  const std::string a = (image.Root() / "Halvorn").string();
  const std::string b = (image.Root() / "Swap").string();
  std::thread swapper([&] {
    while (!stop) renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE);
  });
  for (int i = 0; i < 200; ++i) {
    for (const Operation& op : kOperations) op.run();
  }
  stop = true;
  swapper.join();
  ExpectOutsideUntouched(image);
}

// Links whose target stays below the root work for reads and writes alike:
// relative and absolute, to folders and to files.
TEST_P(HostileLinksTest, LinksThatStayInsideWork) {
  TempImage image;
  const fs::path inf = image.Root() / "WINDOWS" / "inf";
  TempImage::Write(inf / "oem1.inf", "in");
  fs::create_directory_symlink("WINDOWS", image.Root() / "windows");
  fs::create_directory_symlink(image.Root() / "WINDOWS", image.Root() / "absolute");
  fs::create_directory_symlink("../WINDOWS", image.Root() / "WINDOWS" / "again");
  fs::create_symlink("oem1.inf", inf / "relative.inf");
  fs::create_symlink(inf / "oem1.inf", inf / "absolute.inf");
  ASSERT_TRUE(image.Configure());
  for (const char16_t* path :
       {u"C:\\windows\\inf\\oem1.inf", u"C:\\ABSOLUTE\\inf\\oem1.inf", u"C:\\WINDOWS\\again\\again\\inf\\oem1.inf",
        u"C:\\WINDOWS\\inf\\relative.inf", u"C:\\WINDOWS\\inf\\absolute.inf"}) {
    SCOPED_TRACE(text::ToUtf8(path));
    std::optional<std::vector<std::uint8_t>> bytes = offline::ReadImageFile(path, 100);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(std::string(bytes->begin(), bytes->end()), "in");
  }
  for (const char16_t* path : {u"C:\\windows\\inf\\a.log", u"C:\\absolute\\inf\\b.log"}) {
    SCOPED_TRACE(text::ToUtf8(path));
    FileHandle h(os::CreateFileW(path, kReadWrite, 0, nullptr, os::CREATE_NEW, os::FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_TRUE(h.valid());
  }
  EXPECT_TRUE(fs::is_regular_file(inf / "a.log"));
  EXPECT_TRUE(fs::is_regular_file(inf / "b.log"));
}

// Links that leave the root, lead nowhere or loop: the path does not exist,
// and nothing hangs. A folder linking back to itself works up to the limit.
TEST_P(HostileLinksTest, LinksThatLeaveDangleOrLoopLeadNowhere) {
  TempImage image;
  TempImage::Write(image.Outside() / "Version" / "SysInfo.log", "untouched");
  TempImage::Write(image.Root() / "WINDOWS" / "x.txt", "x");
  fs::create_directory_symlink(".", image.Root() / "loop");
  fs::create_symlink("self", image.Root() / "self");
  fs::create_symlink("pong", image.Root() / "ping");
  fs::create_symlink("ping", image.Root() / "pong");
  fs::create_symlink("missing", image.Root() / "dangling");
  fs::create_directory_symlink(image.Outside(), image.Root() / "away");
  fs::create_directory_symlink("../../outside", image.Root() / "WINDOWS" / "up");
  ASSERT_TRUE(image.Configure());

  std::u16string deep = u"C:";
  for (int i = 0; i < 10; ++i) deep += u"\\loop";
  EXPECT_TRUE(offline::ReadImageFile(deep + u"\\WINDOWS\\x.txt", 10));
  std::u16string tooDeep = u"C:";
  for (int i = 0; i < 41; ++i) tooDeep += u"\\loop";
  for (const std::u16string& path :
       {tooDeep + u"\\WINDOWS\\x.txt", std::u16string(u"C:\\self\\x.txt"), std::u16string(u"C:\\ping"),
        std::u16string(u"C:\\dangling\\x.txt"), std::u16string(u"C:\\away\\Version\\SysInfo.log"),
        std::u16string(u"C:\\WINDOWS\\up\\Version\\SysInfo.log")}) {
    SCOPED_TRACE(text::ToUtf8(path));
    EXPECT_FALSE(offline::ReadImageFile(path, 100));
    FileHandle h(
        os::CreateFileW(path.c_str(), kReadWrite, 0, nullptr, os::OPEN_ALWAYS, os::FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_FALSE(h.valid());
  }
  ExpectOutsideUntouched(image);
}

INSTANTIATE_TEST_SUITE_P(Openers, HostileLinksTest, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "openat2" : "walk"; });

}  // namespace
