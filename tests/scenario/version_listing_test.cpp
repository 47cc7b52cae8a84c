// --versions: one line per known file, and for a file without a version the
// reason in brackets. Offline the reasons are the readers' own words; under
// Wine they are the system's messages, so only their shape is checked there.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/version_listing.h"
#include "tests/support/scenario.h"
#include "tools/lib/pe_builder.h"

namespace {

using testing_support::Scenario;

// The line that starts with "name: ", without its newline.
std::string LineOf(const std::string& listing, const std::string& name) {
  const std::size_t at = listing.find("\n" + name + ": ");
  if (at == std::string::npos) return "<missing>";
  const std::size_t end = listing.find('\n', at + 1);
  return listing.substr(at + 1, end - at - 1);
}

TEST(VersionListingTest, MissingVersionsSayWhy) {
  Scenario s;
  s.WritePe(s.DriversDir() + u"ELXSTOR.sys", tools::FileVersion(7, 1, 12, 0));
  tools::VersionSpec stripped;
  stripped.withVersionResource = false;
  s.WritePe(s.DriversDir() + u"Zolvanta.sys", stripped);
  s.WriteText(s.DriversDir() + u"Sollin.sys", "not a PE file");
  std::vector<std::uint8_t> cut = tools::BuildVersionedPe(tools::FileVersion(1, 0, 0, 0));
  cut.resize(cut.size() / 2);
  s.WriteFile(s.MarkerDir() + u"Vardane.exe", cut);
  s.Apply();
  const std::string listing = app::VersionListing();

  EXPECT_EQ(listing.substr(0, 15), "[Driver files]\n");
  EXPECT_NE(listing.find("\n\n[Version markers]\n"), std::string::npos);
  EXPECT_EQ(LineOf(listing, "ELXSTOR.sys"), "ELXSTOR.sys: 7.1.12.0");
  const struct {
    const char* name;
    const char* offlineLine;
  } rows[] = {
      {"Zolvanta.sys", "Zolvanta.sys: - (no version resource)"},
      {"Sollin.sys", "Sollin.sys: - (not a PE file)"},
      {"Vardane.exe", "Vardane.exe: - (truncated)"},
      {"carnel.sys", "carnel.sys: - (file not found)"},
      {"Quillon64.exe", "Quillon64.exe: - (file not found)"},
  };
  for (const auto& row : rows) {
    const std::string line = LineOf(listing, row.name);
    if (Scenario::IsWine()) {
      const std::string prefix = std::string(row.name) + ": - (";
      EXPECT_EQ(line.substr(0, prefix.size()), prefix) << line;
      EXPECT_GT(line.size(), prefix.size() + 1) << line;
      EXPECT_EQ(line.back(), ')') << line;
    } else {
      EXPECT_EQ(line, row.offlineLine);
    }
  }
  if (Scenario::IsWine()) {
    EXPECT_NE(LineOf(listing, "carnel.sys").substr(10), LineOf(listing, "Sollin.sys").substr(10));
  }
}

}  // namespace
