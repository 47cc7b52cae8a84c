// `quillon --root R --output O --report` end to end: the program writes
// SysInfo.log below O, prints its Windows path and tells by its exit status
// whether the report was written completely.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
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
    if (!work_.empty()) {
      std::error_code ignored;
      fs::remove_all(work_, ignored);
    }
  }

  RunResult RunReport() {
    s.Apply();
    std::string command = Quote(program_) + " --root " + Quote(s.HostRoot()) + " --output " +
                          Quote(output_.string()) + " --report >" + Quote((work_ / "stdout").string()) + " 2>" +
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
    units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8));
  }
  std::string report = text::ToUtf8(units);
  const std::string stars(104, '*');
  // Date and time come from the clock: checked by their shape.
  std::regex header("^" + std::string(104, '.') +
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

}  // namespace
