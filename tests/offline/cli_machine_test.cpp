// `quillon diff` and `quillon read-report` end to end on offline images: a
// machine against itself and against its own report, two machines that differ
// in one parameter and one driver version, damaged reports and bad arguments.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <nlohmann/json.hpp>

#include "tests/support/scenario.h"

namespace {

namespace fs = std::filesystem;
using testing_support::Scenario;
using tools::FileVersion;

struct ProgramRun {
  int status = -1;
  std::string out;
  std::string err;
};

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class CliMachineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* program = std::getenv("QUILLON_PROGRAM");
    if (program == nullptr || *program == 0) GTEST_SKIP() << "QUILLON_PROGRAM is not set (run through ctest)";
    program_ = program;
    char pattern[] = "/tmp/quillon-cli-machine-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    work_ = pattern;
  }
  void TearDown() override {
    std::error_code ignored;
    if (!work_.empty()) fs::remove_all(work_, ignored);
  }

  ProgramRun Quillon(const std::string& args) {
    ProgramRun run;
    const fs::path err = work_ / "stderr";
    FILE* pipe = popen((Quote(program_) + " " + args + " 2>" + Quote(err.string())).c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
    const int raw = pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.err = Slurp(err);
    return run;
  }

  // A small Emulex StorPort server; `queueDepth` and `version` make two of them differ.
  static void Server(Scenario& s, const char16_t* queueDepth, const tools::VersionSpec& version) {
    const std::u16string key = u"SYSTEM\\CurrentControlSet\\Services\\elxstor\\Parameters\\Device";
    s.WritePe(s.DriversDir() + u"ELXSTOR.sys", version);
    s.WritePe(s.MarkerDir() + u"Vardane.exe", FileVersion(1, 0, 2, 4));
    s.SetString(key, u"DriverParameter",
                std::u16string(u"QueueDepth=") + queueDepth + u";LinkTimeOut=40;NodeTimeOut=10");
    s.SetDword(key, u"NumFcpContext", 1024);
    s.WriteText(s.WindowsDir() + u"\\inf\\oem4.inf", "[Version]\r\nCatalogFile=elxstor.cat\r\n");
    s.Apply();
  }

  // Writes the image's report below the work folder; its host path.
  std::string WriteReport(const Scenario& s, const std::string& name) {
    const fs::path output = work_ / name;
    EXPECT_EQ(Quillon("--root " + Quote(s.HostRoot()) + " --output " + Quote(output.string()) + " --report").status, 0);
    return (output / "Halvorn" / "Version" / "SysInfo.log").string();
  }

  std::string program_;
  fs::path work_;
};

TEST_F(CliMachineTest, MachineEqualsItselfAndItsOwnReport) {
  Scenario s;
  Server(s, u"32", FileVersion(7, 1, 12, 0));
  const std::string root = Quote(s.HostRoot());
  const std::string report = WriteReport(s, "out");
  const ProgramRun json = Quillon("--root " + root + " --output " + Quote((work_ / "out").string()) + " --json");
  ASSERT_EQ(json.status, 0);
  std::ofstream(work_ / "facts.json") << json.out;

  EXPECT_EQ(Quillon("diff " + root + " " + root).status, 0);
  const ProgramRun acrossSources = Quillon("diff root:" + root + " " + Quote(report));
  EXPECT_EQ(acrossSources.status, 0) << acrossSources.out << acrossSources.err;
  EXPECT_NE(acrossSources.out.find("No differences."), std::string::npos);
  EXPECT_NE(acrossSources.out.find("drivers[*].present (only A, 10 times)"), std::string::npos) << acrossSources.out;
  EXPECT_EQ(Quillon("diff " + Quote((work_ / "facts.json").string()) + " report:" + Quote(report)).status, 0);
}

TEST_F(CliMachineTest, OneParameterAndOneDriverVersionAreTheOnlyRows) {
  Scenario before;
  Server(before, u"32", FileVersion(7, 1, 12, 0));
  Scenario after;
  Server(after, u"64", FileVersion(7, 1, 14, 0));

  const ProgramRun text = Quillon("diff " + Quote(before.HostRoot()) + " " + Quote(after.HostRoot()));
  EXPECT_EQ(text.status, 1) << text.err;
  EXPECT_NE(text.out.find("drivers[ELXSTOR.sys].version                     7.1.12.0  7.1.14.0\n"
                          "adapters[Emulex StorPort].parameters.QueueDepth  32        64\n\n2 differences.\n"),
            std::string::npos)
      << text.out;

  const ProgramRun json =
      Quillon("diff --json " + Quote(WriteReport(before, "before")) + " " + Quote(after.HostRoot()));
  EXPECT_EQ(json.status, 1);
  const nlohmann::json result = nlohmann::json::parse(json.out);
  ASSERT_EQ(result["differences"].size(), 2u);
  EXPECT_EQ(result["differences"][1], nlohmann::json::parse(
                                          R"({"field": "adapters[Emulex StorPort].parameters.QueueDepth",
                                              "a": 32, "b": 64})"));
  EXPECT_EQ(result["a"]["kind"], "report");
}

TEST_F(CliMachineTest, DamagedReportIsReadAsFarAsItGoes) {
  Scenario s;
  Server(s, u"32", FileVersion(7, 1, 12, 0));
  const std::string whole = Slurp(WriteReport(s, "out"));
  const fs::path cut = work_ / "cut.log";
  // Cut short, then a report appended as the program appends one (after "\r\n\r\n").
  const std::string crlf2("\r\0\n\0\r\0\n\0", 8);
  std::ofstream(cut, std::ios::binary) << whole.substr(0, whole.size() / 4 * 2) << crlf2 << whole;

  const ProgramRun run = Quillon("read-report --json " + Quote(cut.string()));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("ends before its last section does"), std::string::npos) << run.err;
  const nlohmann::json reports = nlohmann::json::parse(run.out);
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_FALSE(reports[0]["report"]["complete"].get<bool>());
  EXPECT_TRUE(reports[1]["report"]["complete"].get<bool>());
  EXPECT_EQ(reports[1]["adapters"][2]["parameters"]["QueueDepth"], 32);

  // diff takes the newest report, says what it skipped, and still compares.
  const ProgramRun diff = Quillon("diff " + Quote(cut.string()) + " " + Quote(s.HostRoot()));
  EXPECT_EQ(diff.status, 0) << diff.out;
  EXPECT_NE(diff.out.find("report 2 of 2"), std::string::npos);
  EXPECT_NE(diff.err.find("ends before its last section does"), std::string::npos);
}

TEST_F(CliMachineTest, ErrorsExitWithTwo) {
  const std::string missing = Quote((work_ / "missing.log").string());
  const std::string cases[] = {"read-report " + missing, "read-report",
                               "read-report a b",        "diff " + missing + " " + missing,
                               "diff onlyone",           "diff root:" + missing + " " + missing};
  for (const std::string& args : cases) {
    const ProgramRun run = Quillon(args);
    EXPECT_EQ(run.status, 2) << args;
    EXPECT_FALSE(run.err.empty()) << args;
  }
  std::ofstream(work_ / "bad.json") << "{\"schema_version\": \"2.0\"}";
  EXPECT_EQ(Quillon("diff " + Quote((work_ / "bad.json").string()) + " " + Quote((work_ / "bad.json").string())).status,
            2);
  std::ofstream(work_ / "deep.json") << std::string(100000, '[');
  const ProgramRun deep = Quillon("diff json:" + Quote((work_ / "deep.json").string()) + " x");
  EXPECT_EQ(deep.status, 2);
  EXPECT_NE(deep.err.find("not valid JSON"), std::string::npos) << deep.err;
}

}  // namespace
