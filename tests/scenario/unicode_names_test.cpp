// Names matched without regard to case over all of Unicode, as Windows
// matches them: registry key and value names (RegOpenKeyExW and
// RegQueryValueExW compare through the kernel's upper-case table, Microsoft's
// "Windows 8 Upper Case Mapping Table", [MS-UCODEREF] 3.1.5.3) and path
// components (NTFS compares through the same table, copied into $UpCase).
// Run offline from hives and from a Unicode export, and under Wine.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/os.h"
#include "tests/support/scenario.h"

namespace {

using testing_support::RegistrySource;
using testing_support::Scenario;

const char16_t kKey[] = u"SOFTWARE\\QuillonCaseTest\\\u00c4mter";  // Ämter

class UnicodeNamesTest : public ::testing::TestWithParam<RegistrySource> {
 protected:
  void SetUp() override {
    if (Scenario::IsWine() && GetParam() != RegistrySource::Hives) GTEST_SKIP() << "Wine has one registry";
  }
};

TEST_P(UnicodeNamesTest, RegistryKeysAndValues) {
  Scenario s(GetParam());
  s.SetDword(kKey, u"\u041f\u0420\u0418\u0412\u0415\u0422", 7);  // ПРИВЕТ
  s.Apply();
  const struct {
    const char16_t* key;
    const char16_t* value;
    bool found;
  } cases[] = {
      {u"software\\quilloncasetest\\\u00e4MTER", u"\u043f\u0440\u0438\u0432\u0435\u0442", true},  // äMTER, привет
      {u"SOFTWARE\\QuillonCaseTest\\\u00c4MTER", u"\u041f\u0440\u0438\u0432\u0435\u0442", true},
      {u"SOFTWARE\\QuillonCaseTest\\Amter", u"\u043f\u0440\u0438\u0432\u0435\u0442", false},  // A is no Ä
  };
  for (const auto& c : cases) {
    os::HKEY key = nullptr;
    const os::LONG opened = os::RegOpenKeyExW(os::HKEY_LOCAL_MACHINE, c.key, 0, os::KEY_READ, &key);
    EXPECT_EQ(opened == os::ERROR_SUCCESS, c.found);
    if (opened != os::ERROR_SUCCESS) continue;
    os::DWORD value = 0, size = sizeof value;
    EXPECT_EQ(os::RegQueryValueExW(key, c.value, nullptr, nullptr, reinterpret_cast<os::BYTE*>(&value), &size),
              static_cast<os::LONG>(os::ERROR_SUCCESS));
    EXPECT_EQ(value, 7u);
    os::RegCloseKey(key);
  }
}

TEST_P(UnicodeNamesTest, PathComponentsAndListings) {
  Scenario s(GetParam());
  const std::u16string dir = s.WindowsDir() + u"\\\u00c4mterCase";        // ÄmterCase
  s.WriteText(dir + u"\\\u041f\u0440\u0438\u0432\u0435\u0442.txt", "x");  // Привет.txt
  s.WriteText(dir + u"\\\u00e4a.txt", "x");                               // äa.txt
  s.WriteText(dir + u"\\\u00c4b.txt", "x");                               // Äb.txt
  s.WriteText(dir + u"\\z.txt", "x");
  s.Apply();
  const std::u16string upper = s.WindowsDir() + u"\\\u00e4MTERCASE\\";
  os::HANDLE file =
      os::CreateFileW((upper + u"\u043f\u0420\u0418\u0412\u0415\u0422.TXT").c_str(), os::GENERIC_READ,
                      os::FILE_SHARE_READ, nullptr, os::OPEN_EXISTING, os::FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(file, os::INVALID_HANDLE_VALUE);
  if (file != os::INVALID_HANDLE_VALUE) os::CloseHandle(file);

  std::vector<std::u16string> names;
  os::WIN32_FIND_DATAW data{};
  os::HANDLE find = os::FindFirstFileW((upper + u"\u00c4*").c_str(), &data);
  ASSERT_NE(find, os::INVALID_HANDLE_VALUE);
  do names.push_back(data.cFileName);
  while (os::FindNextFileW(find, &data));
  os::FindClose(find);
  ASSERT_EQ(names.size(), 2u);  // äa.txt and Äb.txt, not z.txt
  // NTFS order: by upper-cased units, so ÄA before ÄB whatever the case.
  if (Scenario::IsWine()) GTEST_SKIP() << "Wine lists a host folder in the host's order, not NTFS's";
  EXPECT_EQ(names[0], u"\u00e4a.txt");
  EXPECT_EQ(names[1], u"\u00c4b.txt");
}

INSTANTIATE_TEST_SUITE_P(Sources, UnicodeNamesTest,
                         ::testing::Values(RegistrySource::Hives, RegistrySource::RegExportUnicode));

}  // namespace
