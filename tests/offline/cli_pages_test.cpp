// The quillon program end to end on an offline image: --pages output, the
// trace file it leaves in the image (or below --output), usage errors.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/support/page_golden.h"
#include "tests/support/scenario.h"

namespace {

using namespace testing_support;

struct ProgramRun {
  int status = -1;
  std::string out;
};

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Runs the program with `args` (already quoted), capturing standard output.
ProgramRun RunProgram(const std::string& args) {
  ProgramRun run;
  const char* program = std::getenv("QUILLON_PROGRAM");
  const std::string command = Quote(program) + " " + args + " 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
  const int raw = pclose(pipe);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return run;
}

std::vector<std::uint8_t> Utf16Le(const std::string& ascii) {
  std::vector<std::uint8_t> bytes;
  for (char c : ascii) {
    bytes.push_back(static_cast<std::uint8_t>(c));
    bytes.push_back(0);
  }
  return bytes;
}

const std::vector<std::uint8_t> kTrace =
    Utf16Le("CVexaDebugFile::CVexaDebugFile()\r\nCVexaDebugFile::~CVexaDebugFile()\r\n");

class CliPagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("QUILLON_PROGRAM") == nullptr) GTEST_SKIP() << "QUILLON_PROGRAM is not set (run through ctest)";
  }
};

TEST_F(CliPagesTest, PagesOfAnImageAndTheTraceInIt) {
  Scenario s;
  tools::VersionSpec versionSpec;
  versionSpec.fileVersion[0] = 7;
  versionSpec.fileVersion[1] = 1;
  versionSpec.fileVersion[2] = 12;
  versionSpec.fileVersion[3] = 0;
  s.WritePe(s.DriversDir() + u"ELXSTOR.sys", versionSpec);
  s.WriteText(u"C:\\Korvane.log", "stale trace from an earlier run, longer than the new one........");
  s.Apply();

  const ProgramRun run = RunProgram("--root " + Quote(s.HostRoot()) + " --pages");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, GoldenPagesText({ElxNoParameters(KorvaneLine("", ""), DriverLine("7.1.12.0")),
                                      MiscPage("", false, Tevo::None)}));
  EXPECT_EQ(s.ReadFile(u"C:\\Korvane.log"), kTrace);
}

TEST_F(CliPagesTest, OutputFolderReceivesTheTraceInstead) {
  Scenario s;
  s.Apply();
  char pattern[] = "/tmp/quillon-output-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string output = pattern;

  const ProgramRun run = RunProgram("--root " + Quote(s.HostRoot()) + " --output " + Quote(output) + " --pages");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, GoldenPagesText({MiscPage("", false, Tevo::None)}));
  EXPECT_FALSE(s.Exists(u"C:\\Korvane.log"));
  std::ifstream in(output + "/Korvane.log", std::ios::binary);
  const std::vector<std::uint8_t> written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(written, kTrace);
  std::remove((output + "/Korvane.log").c_str());
  std::remove(output.c_str());
}

// Runs the program with `args` and no terminal anywhere, capturing standard error.
ProgramRun RunProgramWithoutTerminal(const std::string& args) {
  ProgramRun run;
  const std::string command = Quote(std::getenv("QUILLON_PROGRAM")) + " " + args + " </dev/null 2>&1 >/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
  const int raw = pclose(pipe);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return run;
}

TEST_F(CliPagesTest, WithoutACommandOffATerminalItSaysWhichOptionToUse) {
  Scenario s;
  s.Apply();
  const ProgramRun run = RunProgramWithoutTerminal("--root " + Quote(s.HostRoot()));
  EXPECT_EQ(run.status, 2);
  for (const char* option : {"--pages", "--report", "--json"})
    EXPECT_NE(run.out.find(option), std::string::npos) << run.out;
  // Nothing ran: no probe, so no trace file.
  EXPECT_FALSE(s.Exists(u"C:\\Korvane.log"));
}

TEST_F(CliPagesTest, UnknownOptionIsAUsageError) {
  Scenario s;
  s.Apply();
  EXPECT_EQ(RunProgram("--root " + Quote(s.HostRoot()) + " --no-such-option").status, 2);
  EXPECT_EQ(RunProgram("--root " + Quote(s.HostRoot()) + " --pages extra").status, 2);
}

}  // namespace
