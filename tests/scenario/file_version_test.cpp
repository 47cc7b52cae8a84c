// Version texts of driver files and version markers, as the pages and the
// report see them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "probes/file_version_reader.h"
#include "probes/system_probe.h"
#include "tests/support/scenario.h"

namespace {

using testing_support::Scenario;
using tools::FileVersion;

std::u16string AllFields(const DriverVersions& v) {
  std::u16string out;
  for (const char16_t* f : {v.lp6nds35, v.lpxnds, v.lpxftr, v.elxstor, v.vexa2300, v.zolvanta, v.sollin, v.ql2300,
                            v.carnel, v.morvet}) {
    out += f;
    out += u'|';
  }
  return out;
}

TEST(FileVersionTest, OnlyElxstorPresent) {
  Scenario s;
  s.WritePe(s.DriversDir() + u"elxstor.SYS", FileVersion(7, 1, 12, 0));
  s.Apply();
  DriverVersions v;
  std::memset(&v, 0x3F, sizeof v);  // every field unterminated junk before the call
  CSystemProbe().GetDriverVersions(v);
  EXPECT_EQ(AllFields(v), u"|||7.1.12.0|||||||");
}

TEST(FileVersionTest, FileVersionNotProductVersionAndAllDigits) {
  Scenario s;
  tools::VersionSpec versionSpec = FileVersion(65535, 65535, 65535, 65535);
  versionSpec.productVersion[0] = 9;
  s.WritePe(s.DriversDir() + u"ql2300.sys", versionSpec);
  tools::VersionSpec marker = FileVersion(1, 0, 2, 4);
  marker.productVersion[0] = 2;
  s.WritePe(s.MarkerDir() + u"Vardane64.exe", marker);
  s.WritePe(s.SystemDir() + u"\\Vardane.exe", FileVersion(3, 3, 3, 3));  // wrong folder: not a marker
  s.Apply();
  CSystemProbe probe;
  DriverVersions d{};
  probe.GetDriverVersions(d);
  EXPECT_EQ(std::u16string(d.ql2300), u"65535.65535.65535.65535");
  MarkerVersions m{};
  probe.GetMarkerVersions(m);
  EXPECT_EQ(std::u16string(m.Vardane64), u"1.0.2.4");
  EXPECT_EQ(std::u16string(m.Vardane), u"");
}

TEST(FileVersionTest, StrippedResourceGivesEmptyTextThoughTheFileExists) {
  Scenario s;
  tools::VersionSpec versionSpec;
  versionSpec.withVersionResource = false;
  s.WritePe(s.DriversDir() + u"Zolvanta.sys", versionSpec);
  s.WriteText(s.DriversDir() + u"Sollin.sys", "not a PE file");
  s.Apply();
  CSystemProbe probe;
  char16_t field[50] = u"old";
  EXPECT_TRUE(probe.GetFileVersionString(s.DriversDir().c_str(), u"Zolvanta.sys", field));
  EXPECT_EQ(std::u16string(field), u"");
  EXPECT_TRUE(probe.GetFileVersionString(s.DriversDir().c_str(), u"Sollin.sys", field));
  EXPECT_EQ(std::u16string(field), u"");
  EXPECT_FALSE(probe.GetFileVersionString(s.DriversDir().c_str(), u"morvet.sys", field));

  CFileVersionReader reader;
  reader.SetPath((s.DriversDir() + u"Sollin.sys").c_str());
  EXPECT_EQ(reader.Read(), 0);
  EXPECT_EQ(reader.fileSize, 13u);
  EXPECT_EQ(reader.GetFileVersionText(), u"");
}

TEST(FileVersionTest, EmptyPathReadsNothing) {
  CFileVersionReader reader;
  EXPECT_EQ(reader.Read(), 0);
  EXPECT_FALSE(reader.HasData());
  EXPECT_EQ(reader.GetFileVersionText(), u"");
}

TEST(FileVersionTest, StringsOnlyFromTheUsEnglishUnicodeTable) {
  Scenario s;
  tools::VersionSpec us = FileVersion(1, 2, 3, 4);
  us.strings = {{u"CompanyName", u"Korvane"}, {u"InternalName", u"lpx"}};
  tools::VersionSpec german = us;
  german.language = 0x0407;
  s.WritePe(s.MarkerDir() + u"Hestrel.exe", us);
  s.WritePe(s.MarkerDir() + u"Hestrel64.exe", german);
  s.Apply();

  CFileVersionReader a;
  a.SetPath((s.MarkerDir() + u"Hestrel.exe").c_str());
  EXPECT_EQ(a.Read(), 1);
  EXPECT_EQ(a.companyName, u"Korvane");
  EXPECT_EQ(a.internalName, u"lpx");
  EXPECT_EQ(a.productVersion, u"1.0.0.0");
  EXPECT_FALSE(a.dateText.empty());

  CFileVersionReader b;
  b.SetPath((s.MarkerDir() + u"Hestrel64.exe").c_str());
  EXPECT_EQ(b.Read(), 1);
  EXPECT_EQ(b.companyName, u"");
  EXPECT_EQ(b.internalName, u"");
  EXPECT_EQ(b.GetFileVersionText(), u"1.2.3.4");
}

TEST(FileVersionTest, SecondLookupClearsARemovedDriver) {
  Scenario s;
  s.WritePe(s.DriversDir() + u"carnel.sys", FileVersion(2, 0, 0, 1));
  s.Apply();
  CSystemProbe probe;
  DriverVersions v{};
  probe.GetDriverVersions(v);
  EXPECT_EQ(std::u16string(v.carnel), u"2.0.0.1");
  s.Remove(s.DriversDir() + u"carnel.sys");
  s.Apply();
  probe.GetDriverVersions(v);
  EXPECT_EQ(std::u16string(v.carnel), u"");
}

}  // namespace
