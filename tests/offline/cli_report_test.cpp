// `quillon --root R --output O --report` end to end: the program writes
// SysInfo.log below O, prints its Windows path and tells by its exit status
// whether the report was written completely.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "platform/text.h"
#include "tests/support/scenario.h"

namespace {

namespace fs = std::filesystem;
using testing_support::Scenario;

struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
};

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

class CliReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* program = std::getenv("QUILLON_PROGRAM");
    if (program == nullptr || *program == 0) GTEST_SKIP() << "QUILLON_PROGRAM is not set";
    program_ = program;
    char pattern[] = "/tmp/quillon-cli-report-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    work_ = pattern;
    output_ = work_ / "out";
    fs::create_directories(output_);
  }
  void TearDown() override {
    if (mounted_) umount2(output_.c_str(), MNT_DETACH);
    if (!work_.empty()) {
      std::error_code ignored;
      fs::remove_all(work_, ignored);
    }
  }

  RunResult RunReport() { return Run("--report"); }

  // Runs the program on the scenario with --output and `args`; standard output
  // goes to `out` when given.
  RunResult Run(const std::string& args, const std::string& out = "") {
    s.Apply();
    std::string command = Quote(program_) + " --root " + Quote(s.HostRoot()) + " --output " + Quote(output_.string()) +
                          " " + args + " >" + Quote(out.empty() ? (work_ / "stdout").string() : out) + " 2>" +
                          Quote((work_ / "stderr").string());
    RunResult result;
    int raw = std::system(command.c_str());
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = Slurp(work_ / "stdout");
    result.err = Slurp(work_ / "stderr");
    return result;
  }

  fs::path ReportFile() const { return output_ / "Halvorn" / "Version" / "SysInfo.log"; }

  Scenario s;
  bool mounted_ = false;
  std::string program_;
  fs::path work_;
  fs::path output_;
};

TEST_F(CliReportTest, WritesTheReportBelowTheOutputFolder) {
  RunResult run = RunReport();
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "C:\\Halvorn\\Version\\SysInfo.log\n");
  EXPECT_EQ(run.err, "");

  std::string bytes = Slurp(ReportFile());
  ASSERT_FALSE(bytes.empty());
  ASSERT_EQ(bytes.size() % 2, 0u);
  std::u16string units;
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    units +=
        static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8));
  }
  std::string report = text::ToUtf8(units);
  const std::string stars(104, '*');
  // Date and time come from the clock: checked by their shape.
  std::regex header(
      "^" + std::string(104, '.') +
      "\r\nVexa HalvornDate:  [0-9]{1,2}/[0-9]{1,2}/[0-9]{4} \r\nTime:  [0-9]{1,2}:[ 0-9][0-9]:[ 0-9][0-9]\r\n" +
      std::string(104, '.') + "\r\n");
  EXPECT_EQ(report.substr(0, 104), stars);
  EXPECT_TRUE(std::regex_search(report, header)) << report.substr(0, 300);
  EXPECT_NE(report.find("\r\n* OVRA Section *\r\n"), std::string::npos);
  // Nothing was written into the image itself.
  EXPECT_FALSE(fs::exists(fs::path(s.HostRoot()) / "Halvorn" / "Version" / "SysInfo.log"));
}

// The failure must be real even when the tests run as root, which ignores
// permission bits: a file stands where the Halvorn folder belongs, so neither
// the folder nor the report can be created.
TEST_F(CliReportTest, UnwritableReportFailsWithAMessage) {
  std::ofstream(output_ / "Halvorn") << "keep me";
  RunResult run = RunReport();
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("could not be written"), std::string::npos) << run.err;
  EXPECT_EQ(Slurp(output_ / "Halvorn"), "keep me");
}

// A folder where the report file belongs: the report cannot be opened.
TEST_F(CliReportTest, ReportPathTakenByAFolderFails) {
  fs::create_directories(ReportFile());
  RunResult run = RunReport();
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("SysInfo.log"), std::string::npos) << run.err;
  EXPECT_TRUE(fs::is_directory(ReportFile()));
}

TEST_F(CliReportTest, ConflictingCommandsAreUsageErrors) {
  for (const char* args : {"--report --overwrite --append", "--append --report --overwrite", "--pages --report",
                           "--report --versions", "--pages --json", "--append"}) {
    SCOPED_TRACE(args);
    RunResult run = Run(args);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("see --help"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(ReportFile()));
  }
}

TEST_F(CliReportTest, StandardOutputThatCannotBeWrittenFails) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  for (const char* args : {"--report", "--pages", "--versions", "--json"}) {
    SCOPED_TRACE(args);
    RunResult run = Run(args, "/dev/full");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("standard output"), std::string::npos) << run.err;
  }
}

// The message names the host file, the step that failed and why.
TEST_F(CliReportTest, HardLinkedReportIsRefusedByName) {
  fs::create_directories(ReportFile().parent_path());
  std::ofstream(work_ / "elsewhere") << "keep me";
  fs::create_hard_link(work_ / "elsewhere", ReportFile());
  for (const char* mode : {"--overwrite", "--append"}) {
    SCOPED_TRACE(mode);
    RunResult run = Run(std::string("--report ") + mode);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(fs::canonical(ReportFile()).string()), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("2 hard links"), std::string::npos) << run.err;
    EXPECT_EQ(Slurp(work_ / "elsewhere"), "keep me");
  }
}

// --append below --output copies the image's report first, but not a huge one.
TEST_F(CliReportTest, HugeImageReportIsNotCopiedOnAppend) {
  const fs::path imageReport = fs::path(s.HostRoot()) / "Halvorn" / "Version" / "SysInfo.log";
  fs::create_directories(imageReport.parent_path());
  std::ofstream(imageReport) << "old";
  fs::resize_file(imageReport, (std::uintmax_t{64} << 20) + 1);  // sparse
  RunResult run = Run("--report --append");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("64 MiB"), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(ReportFile()));
  EXPECT_EQ(std::distance(fs::directory_iterator(ReportFile().parent_path()), fs::directory_iterator()), 0);
  EXPECT_EQ(fs::file_size(imageReport), (std::uintmax_t{64} << 20) + 1);
}

// A full disk under --output: the earlier report stays byte for byte and no
// temporary file is left, whether the new one replaces it or is appended.
TEST_F(CliReportTest, FullDiskKeepsTheEarlierReport) {
  if (geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root";
  if (mount("tmpfs", output_.c_str(), "tmpfs", 0, "size=64k") != 0) GTEST_SKIP() << "cannot mount a tmpfs here";
  mounted_ = true;
  ASSERT_EQ(RunReport().status, 0);
  const std::string earlier = Slurp(ReportFile());
  ASSERT_FALSE(earlier.empty());
  // Fill the disk. An appended report still fits its first pieces into the
  // rest of the old report's last page, then runs out of space.
  struct statvfs disk;
  ASSERT_EQ(statvfs(output_.c_str(), &disk), 0);
  ASSERT_NE(earlier.size() % disk.f_frsize, 0u) << "the old report leaves no room in its last page";
  {
    std::ofstream filler(output_ / "filler", std::ios::binary);
    filler << std::string(std::uint64_t{disk.f_bavail} * disk.f_frsize, 'f');
  }
  for (const char* mode : {"--overwrite", "--append"}) {
    SCOPED_TRACE(mode);
    RunResult run = Run(std::string("--report ") + mode);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("No space left on device"), std::string::npos) << run.err;
    EXPECT_TRUE(Slurp(ReportFile()) == earlier) << "the earlier report changed";
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(output_))
      names.push_back(fs::relative(entry.path(), output_).string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Halvorn", "Halvorn/Version", "Halvorn/Version/SysInfo.log",
                                               "Korvane.log", "filler"}));
  }
}

}  // namespace
