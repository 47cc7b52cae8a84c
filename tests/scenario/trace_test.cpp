// The trace file: exactly two lines at the root of the system drive, made anew
// on every run.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "trace/vexa_debug_file.h"
#include "tests/support/scenario.h"

namespace {

using testing_support::Scenario;

std::vector<std::uint8_t> Utf16Le(const std::u16string& s) {
  std::vector<std::uint8_t> out;
  for (char16_t c : s) {
    out.push_back(static_cast<std::uint8_t>(c & 0xFF));
    out.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  return out;
}

TEST(TraceTest, TwoLinesWrittenAnewOnEveryRun) {
  Scenario s;
  const std::u16string path = s.SystemDir().substr(0, 2) + u"\\Korvane.log";
  s.WriteText(path, std::string(300, 'o'));  // an earlier, longer trace
  s.Apply();
  const auto expected = Utf16Le(u"CVexaDebugFile::CVexaDebugFile()\r\nCVexaDebugFile::~CVexaDebugFile()\r\n");
  for (int run = 0; run < 2; ++run) {
    {
      CVexaDebugFile trace;
      EXPECT_TRUE(CVexaDebugFile::TraceFile().IsOpen());
    }
    EXPECT_FALSE(CVexaDebugFile::TraceFile().IsOpen());
    EXPECT_EQ(s.ReadFile(path), expected) << "run " << run;
  }
  s.Remove(path);
}

}  // namespace
