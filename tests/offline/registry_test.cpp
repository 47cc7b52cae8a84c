// Registry calls over hives written by the fixture writer: buffer sizes,
// missing values, raw data as stored, names without case, control sets
// chosen by Select, and damaged hives.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/offline/winapi/registry_load.h"
#include "platform/os.h"
#include "tools/lib/registry_content.h"

namespace {

namespace fs = std::filesystem;
const char* const kTemplate = QUILLON_SOURCE_DIR "/tests/fixtures/minimal.hive";

class HiveImage {
 public:
  HiveImage() {
    dir_ = fs::temp_directory_path() / ("quillon_reg_" + std::to_string(reinterpret_cast<std::uintptr_t>(this)));
    fs::create_directories(dir_);
  }
  ~HiveImage() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  std::string System() const { return (dir_ / "SYSTEM").string(); }
  std::string Software() const { return (dir_ / "SOFTWARE").string(); }

  std::string Load(const tools::RegistryContent& content, unsigned controlSet) {
    std::string error, warnings;
    EXPECT_TRUE(tools::WriteHives(content, kTemplate, System(), Software(), controlSet, &error)) << error;
    offline::LoadRegistryFiles(System(), Software(), {}, &warnings);
    return warnings;
  }

 private:
  fs::path dir_;
};

struct Key {
  os::HKEY h = nullptr;
  os::LONG status;
  explicit Key(const char16_t* path, os::REGSAM access = os::KEY_READ)
      : status(os::RegOpenKeyExW(os::HKEY_LOCAL_MACHINE, path, 0, access, &h)) {}
  ~Key() {
    if (h) os::RegCloseKey(h);
  }
};

std::u16string Long(std::size_t n) { return std::u16string(n, u'x'); }

TEST(OfflineRegistry, QueriesFollowWindowsBufferRules) {
  tools::RegistryContent c;
  const char16_t* svc = u"SYSTEM\\CurrentControlSet\\Services\\elxstor";
  c.SetString(svc, u"ImagePath", Long(260));
  c.SetDword(svc, u"Start", 3);
  c.SetValue(svc, u"Raw", tools::RegValue{1, {'a', 0, 'b', 0}});         // REG_SZ without terminator
  c.SetValue(svc, u"Blob", tools::RegValue{3, {'h', 0, 'i', 0, 0, 0}});  // binary that reads as text
  HiveImage image;
  image.Load(c, 1);

  Key key(u"system\\currentcontrolset\\SERVICES\\ELXSTOR", os::KEY_ALL_ACCESS);
  ASSERT_EQ(key.status, static_cast<os::LONG>(os::ERROR_SUCCESS));

  os::DWORD type = 99, size = 0;
  EXPECT_EQ(os::RegQueryValueExW(key.h, u"imagepath", nullptr, &type, nullptr, &size), 0);
  EXPECT_EQ(size, 522u);
  EXPECT_EQ(type, os::REG_SZ);
  std::vector<char16_t> buf(300, u'#');
  size = 520;
  EXPECT_EQ(os::RegQueryValueExW(key.h, u"ImagePath", nullptr, nullptr, reinterpret_cast<os::BYTE*>(buf.data()), &size),
            static_cast<os::LONG>(os::ERROR_MORE_DATA));
  EXPECT_EQ(size, 522u);
  size = 600;
  EXPECT_EQ(os::RegQueryValueExW(key.h, u"ImagePath", nullptr, nullptr, reinterpret_cast<os::BYTE*>(buf.data()), &size),
            0);
  EXPECT_EQ(size, 522u);
  EXPECT_EQ(std::u16string(buf.data()), Long(260));

  os::DWORD start = 0;
  size = 4;
  EXPECT_EQ(os::RegQueryValueExW(key.h, u"Start", nullptr, nullptr, reinterpret_cast<os::BYTE*>(&start), &size), 0);
  EXPECT_EQ(start, 3u);

  char16_t raw[4] = {u'#', u'#', u'#', u'#'};
  size = sizeof raw;
  EXPECT_EQ(os::RegQueryValueExW(key.h, u"Raw", nullptr, &type, reinterpret_cast<os::BYTE*>(raw), &size), 0);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(raw[2], u'#');  // nothing added after the stored bytes

  char16_t blob[8] = {};
  size = sizeof blob;
  EXPECT_EQ(os::RegQueryValueExW(key.h, u"Blob", nullptr, &type, reinterpret_cast<os::BYTE*>(blob), &size), 0);
  EXPECT_EQ(type, os::REG_BINARY);
  EXPECT_EQ(std::u16string(blob), u"hi");

  EXPECT_EQ(os::RegQueryValueExW(key.h, u"Missing", nullptr, nullptr, nullptr, &size),
            static_cast<os::LONG>(os::ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(Key(u"SYSTEM\\CurrentControlSet\\Services\\nothere").status,
            static_cast<os::LONG>(os::ERROR_FILE_NOT_FOUND));
}

TEST(OfflineRegistry, CurrentControlSetComesFromSelect) {
  for (unsigned set : {3u, 47u}) {
    tools::RegistryContent c;
    c.SetDword(u"SYSTEM\\CurrentControlSet\\Services\\a", u"Start", set);
    HiveImage image;
    image.Load(c, set);
    Key key(u"SYSTEM\\CurrentControlSet\\Services\\a");
    ASSERT_EQ(key.status, 0) << set;
    os::DWORD v = 0, size = 4;
    EXPECT_EQ(os::RegQueryValueExW(key.h, u"Start", nullptr, nullptr, reinterpret_cast<os::BYTE*>(&v), &size), 0);
    EXPECT_EQ(v, set);
    EXPECT_EQ(Key(set == 3 ? u"SYSTEM\\ControlSet003\\Services\\a" : u"SYSTEM\\ControlSet047\\Services\\a").status, 0);
  }
  tools::RegistryContent c;  // Select names a control set that is not there
  c.SetDword(u"SYSTEM\\CurrentControlSet\\Services\\a", u"Start", 1);
  c.SetDword(u"SYSTEM\\Select", u"Current", 9);
  HiveImage image;
  image.Load(c, 1);
  EXPECT_EQ(Key(u"SYSTEM\\CurrentControlSet\\Services\\a").status, static_cast<os::LONG>(os::ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(Key(u"SYSTEM\\ControlSet001\\Services\\a").status, 0);
}

TEST(OfflineRegistry, OsVersionFromSoftwareHive) {
  const char16_t* cv = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
  tools::RegistryContent c;
  c.SetString(cv, u"CurrentVersion", u"5.2");
  c.SetString(cv, u"CurrentBuildNumber", u"3790");
  c.SetString(cv, u"CSDVersion", u"Service Pack 2");
  HiveImage image;
  image.Load(c, 1);
  os::OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  ASSERT_TRUE(os::GetVersionExW(&info));
  EXPECT_EQ(info.dwMajorVersion, 5u);
  EXPECT_EQ(info.dwMinorVersion, 2u);
  EXPECT_EQ(info.dwBuildNumber, 3790u);
  EXPECT_EQ(std::u16string(info.szCSDVersion), u"Service Pack 2");

  tools::RegistryContent none;
  none.CreateKey(u"SOFTWARE\\Microsoft");
  image.Load(none, 1);
  EXPECT_FALSE(os::GetVersionExW(&info));
  EXPECT_EQ(info.dwMajorVersion, 0u);
  EXPECT_EQ(info.dwMinorVersion, 0u);
}

TEST(OfflineRegistry, TruncatedOrDirtyHivesReadWithoutCrashing) {
  tools::RegistryContent c;
  for (int i = 0; i < 40; ++i)
    c.SetString(u"SYSTEM\\CurrentControlSet\\Services\\s" + std::u16string(1, u'A' + i % 26) + u"x", u"ImagePath",
                Long(100 + i));
  HiveImage image;
  image.Load(c, 1);
  std::ifstream in(image.System(), std::ios::binary);
  std::vector<char> whole((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(whole.size(), 8192u);
  for (std::size_t cut :
       {std::size_t{0}, std::size_t{100}, std::size_t{4096}, std::size_t{4200}, whole.size() / 2, whole.size() - 1}) {
    {
      std::ofstream out(image.System(), std::ios::binary | std::ios::trunc);
      out.write(whole.data(), static_cast<std::streamsize>(cut));
    }
    std::string warnings;
    offline::LoadRegistryFiles(image.System(), std::nullopt, {}, &warnings);
    Key key(u"SYSTEM\\CurrentControlSet\\Services\\sAx");  // may or may not survive the cut
    if (key.h) {
      os::DWORD size = 0;
      os::RegQueryValueExW(key.h, u"ImagePath", nullptr, nullptr, nullptr, &size);
    }
  }
  std::vector<std::uint8_t> dirty(whole.begin(), whole.end());
  ASSERT_TRUE(tools::MarkHiveDirty(&dirty));
  {
    std::ofstream out(image.System(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(dirty.data()), static_cast<std::streamsize>(dirty.size()));
  }
  std::string warnings;
  offline::LoadRegistryFiles(image.System(), std::nullopt, {}, &warnings);
  EXPECT_EQ(Key(u"SYSTEM\\CurrentControlSet\\Services\\sAx").status, 0);
  EXPECT_NE(warnings.find("dirty"), std::string::npos) << warnings;
}

}  // namespace
