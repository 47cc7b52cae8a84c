// Files in a hostile image: a file with a second name (a hard link) is never
// written through, in the image or below --output, nor copied from the image;
// a FIFO or a device where a driver, hive, INF, registry export or the report
// belongs is no file, and nothing hangs on it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/offline/winapi/last_error.h"
#include "platform/offline/winapi/registry_load.h"
#include "platform/os.h"
#include "platform/text.h"
#include "report/system_report.h"
#include "files/text_file.h"
#include "tests/offline/temp_image.h"

namespace {

namespace fs = std::filesystem;
using offline_test::FileHandle;
using offline_test::TempImage;

constexpr os::DWORD kReadWrite = os::GENERIC_READ | os::GENERIC_WRITE;
const char16_t kReport[] = u"C:\\Halvorn\\Version\\SysInfo.log";

os::HANDLE Open(const char16_t* path, os::DWORD access, os::DWORD disposition) {
  return os::CreateFileW(path, access, os::FILE_SHARE_WRITE, nullptr, disposition, os::FILE_ATTRIBUTE_NORMAL, nullptr);
}

// A hard link to a file outside, at the report's place in the image or below
// --output; and an image-only report hard-linked outside that --append would
// copy into --output.
TEST(HostileFilesTest, FilesWithASecondNameAreNotWrittenThroughNorCopied) {
  struct Case {
    const char* name;
    bool output;        // writes go below --output
    bool linkInOutput;  // the link is below --output, else in the image
  } cases[] = {{"in the image", false, false}, {"below --output", true, true}, {"image only, copied", true, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempImage image;
    TempImage::Write(image.Outside() / "victim.txt", "untouched");
    const fs::path base = c.linkInOutput ? image.Out() : image.Root();
    fs::create_directories(base / "Halvorn" / "Version");
    fs::create_hard_link(image.Outside() / "victim.txt", base / "Halvorn" / "Version" / "SysInfo.log");
    ASSERT_TRUE(image.Configure(c.output));

    for (os::DWORD disposition : {os::OPEN_EXISTING, os::OPEN_ALWAYS, os::CREATE_ALWAYS}) {
      FileHandle h(Open(kReport, kReadWrite, disposition));
      if (disposition == os::CREATE_ALWAYS && !c.linkInOutput && c.output) {
        EXPECT_TRUE(h.valid());  // a new file below --output: the image's is neither written nor read
        continue;
      }
      EXPECT_FALSE(h.valid());
      EXPECT_EQ(os::GetLastError(), os::ERROR_ACCESS_DENIED);
      EXPECT_NE(offline::LastErrorDetail().find("2 hard links"), std::string::npos) << offline::LastErrorDetail();
    }
    if (!c.linkInOutput && c.output) fs::remove(image.Out() / "Halvorn" / "Version" / "SysInfo.log");
    CTextFile report;
    ASSERT_EQ(report.Create(kReport), 1);
    EXPECT_EQ(report.Write(u"new"), 1);
    EXPECT_EQ(report.Close(), c.linkInOutput || !c.output ? 0 : 1);
    EXPECT_EQ(TempImage::Read(image.Outside() / "victim.txt"), "untouched");
    // Reading it is harmless.
    FileHandle reader(Open(kReport, os::GENERIC_READ, os::OPEN_EXISTING));
    EXPECT_TRUE(reader.valid());
  }
}

class SpecialFilesTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override { alarm(60); }  // a hang ends the test program instead of the test run
  void TearDown() override { alarm(0); }

  // Puts a FIFO or a character device (the numbers of /dev/null) at `path`.
  void Make(const fs::path& path) {
    fs::create_directories(path.parent_path());
    const std::string kind = GetParam();
    const int made = kind == "fifo" ? mkfifo(path.c_str(), 0666) : mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 3));
    if (made != 0) GTEST_SKIP() << "cannot make a " << kind << " here: " << offline::ErrorText(errno);
  }
  TempImage image_;
};

TEST_P(SpecialFilesTest, DriverInfAndHiveAreAbsent) {
  const fs::path system = image_.Root() / "WINDOWS" / "system32";
  Make(system / "Drivers" / "ELXSTOR.sys");
  Make(image_.Root() / "WINDOWS" / "inf" / "oem1.inf");
  Make(system / "config" / "SYSTEM");
  if (IsSkipped()) return;
  std::string error;
  ASSERT_TRUE(image_.Configure(false, &error)) << error;

  os::SetLastError(0);
  EXPECT_EQ(os::GetFileVersionInfoSizeW(u"C:\\WINDOWS\\system32\\Drivers\\ELXSTOR.sys", nullptr), 0u);
  FileHandle driver(Open(u"C:\\WINDOWS\\system32\\Drivers\\elxstor.sys", os::GENERIC_READ, os::OPEN_EXISTING));
  EXPECT_FALSE(driver.valid());
  EXPECT_EQ(os::GetLastError(), os::ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(os::SetupOpenInfFileW(u"C:\\WINDOWS\\inf\\oem1.inf", nullptr, os::INF_STYLE_WIN4, nullptr),
            os::INVALID_HANDLE_VALUE);
  os::HKEY key = nullptr;
  EXPECT_NE(os::RegOpenKeyExW(os::HKEY_LOCAL_MACHINE, u"SYSTEM\\Select", 0, os::KEY_READ, &key), os::ERROR_SUCCESS);
  // Listings show files and folders only.
  os::WIN32_FIND_DATAW data{};
  EXPECT_EQ(os::FindFirstFileW(u"C:\\WINDOWS\\inf\\oem*.inf", &data), os::INVALID_HANDLE_VALUE);
}

TEST_P(SpecialFilesTest, RegistryExportIsNotRead) {
  Make(image_.Outside() / "system.reg");
  if (IsSkipped()) return;
  std::string warnings, error;
  EXPECT_FALSE(offline::LoadRegistryFiles(std::nullopt, std::nullopt, {(image_.Outside() / "system.reg").string()},
                                          &warnings, &error));
  EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
}

// With --append (the old report kept) and with --overwrite: a clear failure,
// and the node is left as it is.
TEST_P(SpecialFilesTest, ReportPlaceFailsClearly) {
  for (bool overwrite : {false, true}) {
    SCOPED_TRACE(overwrite ? "overwrite" : "append");
    const fs::path report = image_.Root() / "Halvorn" / "Version" / "SysInfo.log";
    fs::remove(report);
    Make(report);
    if (IsSkipped()) return;
    ASSERT_TRUE(image_.Configure());
    report::ReportOptions options;
    options.openViewer = false;
    options.askOverwrite = [overwrite] { return overwrite; };
    report::ReportOutcome outcome = report::WriteSystemReport(options);
    EXPECT_FALSE(outcome.complete);
    EXPECT_EQ(outcome.failure.step, "replacing");
    EXPECT_NE(outcome.failure.reason.find(GetParam() == std::string("fifo") ? "FIFO" : "device"), std::string::npos)
        << outcome.failure.reason;
    EXPECT_FALSE(fs::is_regular_file(report));
    EXPECT_EQ(std::distance(fs::directory_iterator(report.parent_path()), fs::directory_iterator()), 1);
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, SpecialFilesTest, ::testing::Values("fifo", "device"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

}  // namespace
