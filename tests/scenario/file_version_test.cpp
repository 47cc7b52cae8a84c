// Version texts of driver files and version markers, as the pages and the
// report see them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/os.h"
#include "probes/file_version_reader.h"
#include "probes/system_probe.h"
#include "tests/support/scenario.h"

namespace {

using testing_support::Scenario;
using tools::FileVersion;

std::u16string AllFields(const DriverVersions& v) {
  std::u16string out;
  for (const char16_t* f :
       {v.lp6nds35, v.lpxnds, v.lpxftr, v.elxstor, v.vexa2300, v.zolvanta, v.sollin, v.ql2300, v.carnel, v.morvet}) {
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

// Executables of other shapes, read as the version library reads them:
//  - a 16-bit (NE) file: the version functions "work on 16-, 32- and 64-bit
//    file images" (Windows 2000 and XP documentation of
//    GetFileVersionInfoSize); the buffer asked for is (size - 52) * 4 bytes,
//    room for UTF-16 copies of its ANSI texts (as Windows 2000 to 2003 ask,
//    which Wine's version library follows);
//  - a PE file whose .text section's virtual size reaches over .rsrc: the
//    loader maps each section at its own address, so .rsrc is where it says.
TEST(FileVersionTest, ExecutablesOfOtherShapes) {
  tools::VersionSpec ne = FileVersion(3, 10, 0, 1);
  ne.sixteenBit = true;
  ne.codePage = 1252;
  ne.strings = {{u"CompanyName", u"Halvorn Storage \u00C4G"}, {u"InternalName", u"lpx16"}};
  tools::VersionSpec covered = FileVersion(4, 2, 0, 7);
  covered.codeBeforeResources = true;
  covered.strings = {{u"CompanyName", u"Korvane"}};
  const struct {
    const char16_t* name;
    tools::VersionSpec wanted;
    const char16_t* version;
    const char16_t* companyName;  // through the reader: the 040904B0 table only
    const char16_t* table;        // the table the file has
    const char16_t* tableCompany;
  } cases[] = {
      {u"lpx16.sys", ne, u"3.10.0.1", u"", u"040904E4", u"Halvorn Storage \u00C4G"},
      {u"packed.sys", covered, u"4.2.0.7", u"Korvane", u"040904B0", u"Korvane"},
  };
  Scenario s;
  for (const auto& c : cases) s.WritePe(s.DriversDir() + c.name, c.wanted);
  s.Apply();
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name, c.name + std::char_traits<char16_t>::length(c.name)));
    const std::u16string path = s.DriversDir() + c.name;
    CFileVersionReader reader;
    reader.SetPath(path.c_str());
    EXPECT_EQ(reader.Read(), 1);
    EXPECT_EQ(reader.GetFileVersionText(), c.version);
    EXPECT_EQ(reader.companyName, c.companyName);

    os::DWORD size = os::GetFileVersionInfoSizeW(path.c_str(), nullptr);
    ASSERT_GT(size, 0u);
    std::vector<std::uint8_t> block(size);
    ASSERT_TRUE(os::GetFileVersionInfoW(path.c_str(), 0, size, block.data()));
    void* value = nullptr;
    os::UINT length = 0;
    const std::u16string query = std::u16string(u"\\StringFileInfo\\") + c.table + u"\\CompanyName";
    ASSERT_TRUE(os::VerQueryValueW(block.data(), query.c_str(), &value, &length));
    EXPECT_EQ(std::u16string(static_cast<const char16_t*>(value)), c.tableCompany);
    EXPECT_EQ(length, std::char_traits<char16_t>::length(c.tableCompany) + 1);
  }
  // The 16-bit file's buffer: (size of the resource as its table gives it - 52) * 4.
  const std::vector<std::uint8_t> file = tools::BuildVersionedPe(ne);
  const std::uint32_t units = file[0x8C] | (file[0x8D] << 8);  // the builder's NAMEINFO length, in 16-byte units
  EXPECT_EQ(os::GetFileVersionInfoSizeW((s.DriversDir() + u"lpx16.sys").c_str(), nullptr), ((units << 4) - 52) * 4);
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
