// Markers live at the root of the drive the system directory names, whatever
// that drive is (Wine's system directory cannot be moved, so this runs offline).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/offline/winapi/machine.h"
#include "probes/system_probe.h"
#include "tests/support/scenario.h"
#include "tools/lib/pe_builder.h"

namespace {

void WriteHostFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

TEST(MarkerDriveTest, MarkersFollowTheSystemDrive) {
  testing_support::Scenario s;
  s.MakeDir(u"C:\\WINNT\\system32\\Drivers");
  s.Apply();
  tools::VersionSpec versionSpec;
  versionSpec.fileVersion[0] = 5;
  versionSpec.fileVersion[3] = 1;
  std::filesystem::path root(s.HostRoot());
  WriteHostFile(root / "Halvorn" / "Version" / "Quillon.exe", tools::BuildVersionedPe(versionSpec));

  offline::MachineOptions options = offline::CurrentMachine().options;
  options.systemDirectory = u"D:\\WINNT\\system32";
  std::string error;
  ASSERT_TRUE(offline::ConfigureMachine(options, &error)) << error;
  MarkerVersions m{};
  CSystemProbe().GetMarkerVersions(m);
  EXPECT_EQ(std::u16string(m.Quillon), u"5.0.0.1");
  DriverVersions d{};
  CSystemProbe().GetDriverVersions(d);  // D:\WINNT\system32\Drivers\ holds nothing
  EXPECT_EQ(std::u16string(d.elxstor), u"");
}

}  // namespace
