// CRegistryKey reads, the Windows root and the 64-bit test, with the registry
// taken from hive files and from a Unicode export (one run under Wine).
#include <gtest/gtest.h>

#include <string>

#include "probes/registry_key.h"
#include "probes/system_paths.h"
#include "tests/support/scenario.h"

namespace {

using testing_support::RegistrySource;
using testing_support::Scenario;

const char16_t kKey[] = u"SYSTEM\\CurrentControlSet\\Services\\QuillonProbeTest";

class RegistryProbeTest : public ::testing::TestWithParam<RegistrySource> {
 protected:
  void SetUp() override {
    if (Scenario::IsWine() && GetParam() != RegistrySource::Hives) GTEST_SKIP() << "Wine has one registry";
  }
};

TEST_P(RegistryProbeTest, ReadStringLimitsAndUntouchedBuffers) {
  Scenario s(GetParam());
  s.SetString(kKey, u"Long", std::u16string(300, u'a'));
  s.SetString(kKey, u"Edge", std::u16string(259, u'b'));
  s.SetString(kKey, u"TooLong", std::u16string(260, u'c'));
  s.SetDword(kKey, u"Number", 0x12345678);
  s.SetString(kKey, u"Text", u"QueueDepth=32");
  s.Apply();

  CRegistryKey key;
  char16_t buffer[260] = u"before";
  os::DWORD number = 77;
  EXPECT_EQ(key.ReadString(u"Text", buffer), 0);  // not opened yet
  EXPECT_EQ(key.ReadDword(u"Number", number), 0);
  EXPECT_EQ(number, 77u);

  ASSERT_EQ(key.Open(kKey), 1);
  EXPECT_EQ(key.ReadString(u"Long", buffer), 0);
  EXPECT_EQ(key.ReadString(u"TooLong", buffer), 0);
  EXPECT_EQ(key.ReadString(u"Missing", buffer), 0);
  EXPECT_EQ(std::u16string(buffer), u"before");
  EXPECT_EQ(key.ReadString(u"Edge", buffer), 1);
  EXPECT_EQ(std::u16string(buffer), std::u16string(259, u'b'));
  EXPECT_EQ(key.ReadString(u"Text", buffer), 1);
  EXPECT_EQ(std::u16string(buffer), u"QueueDepth=32");

  EXPECT_EQ(key.ReadDword(u"Missing", number), 0);
  EXPECT_EQ(number, 77u);
  EXPECT_EQ(key.ReadDword(u"Text", number), 0);  // more than 4 bytes
  EXPECT_EQ(key.ReadDword(u"Number", number), 1);
  EXPECT_EQ(number, 0x12345678u);
  EXPECT_EQ(key.Close(), 0);
  EXPECT_EQ(key.ReadDword(u"Number", number), 0);  // a closed key is never queried
}

TEST_P(RegistryProbeTest, OpenAndKeyExistsOnMissingKeys) {
  Scenario s(GetParam());
  s.CreateKey(kKey);
  s.Apply();
  EXPECT_EQ(CRegistryKey::KeyExists(kKey), 1);
  EXPECT_EQ(CRegistryKey::KeyExists(u"SYSTEM\\CurrentControlSet\\Services\\QuillonNoSuchKey"), 0);
  CRegistryKey key;
  EXPECT_EQ(key.Open(u"SYSTEM\\CurrentControlSet\\Services\\QuillonNoSuchKey"), 0);
  char16_t buffer[260] = {};
  EXPECT_EQ(key.ReadString(u"x", buffer), 0);
}

INSTANTIATE_TEST_SUITE_P(Sources, RegistryProbeTest,
                         ::testing::Values(RegistrySource::Hives, RegistrySource::RegExportUnicode));

TEST(SystemPathsTest, WindowsRootIsTheSystemDirectoryLessItsLastPart) {
  Scenario s;
  s.Apply();
  char16_t root[260] = u"x";
  ASSERT_EQ(GetWindowsRoot(root), 1);
  EXPECT_EQ(std::u16string(root), s.WindowsDir());
  std::u16string system = s.SystemDir();
  EXPECT_EQ(std::u16string(root), system.substr(0, system.rfind(u'\\')));
}

TEST(SystemPathsTest, SixtyFourBitByKeyOrByFolder) {
  if (Scenario::IsWine()) GTEST_SKIP() << "Wine's prefix decides both the key and the SysWow64 folder";
  struct Case {
    bool key;
    bool folder;
    int expected;
  };
  for (const Case& c : {Case{false, false, 0}, Case{true, false, 1}, Case{false, true, 1}, Case{true, true, 1}}) {
    Scenario s;
    if (c.key) s.CreateKey(u"SOFTWARE\\Wow6432Node");
    if (c.folder) s.MakeDir(s.WindowsDir() + u"\\SysWOW64");
    s.Apply();
    EXPECT_EQ(Is64BitWindows(), c.expected) << "key " << c.key << " folder " << c.folder;
  }
}

TEST(SystemPathsTest, OsVersionCodes) {
  Scenario s;
  if (!s.CanSetOsVersion()) GTEST_SKIP() << "the OS version cannot be changed here";
  struct Case {
    unsigned major, minor;
    int code;
  };
  for (const Case& c : {Case{4, 0, 4}, Case{5, 0, 5}, Case{5, 1, 6}, Case{5, 2, 6}, Case{5, 3, 0}, Case{6, 0, 0}}) {
    s.SetOsVersion(c.major, c.minor);
    s.Apply();
    EXPECT_EQ(GetOsVersionCode(), c.code) << c.major << "." << c.minor;
  }
}

}  // namespace
