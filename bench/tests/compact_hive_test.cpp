// The benchmark's own hive files: hivex must open them without its unsafe
// mode, every key and value of the content must read back through the
// registry calls (a list of more than one lh leaf included), and the file
// must be about the size of its content.
#include <gtest/gtest.h>
#include <hivex.h>

#include <filesystem>
#include <string>

#include "bench/gen/compact_hive.h"
#include "bench/tests/temp_dir.h"
#include "platform/offline/winapi/machine.h"
#include "platform/os.h"
#include "platform/text.h"

namespace {

class CompactHive : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir_.path().empty());
    base_ = dir_.path();
    config_ = base_ + "/WINDOWS/system32/config";
    std::filesystem::create_directories(config_);
  }
  bench_test::TempDir dir_;
  std::string base_, config_;
};

TEST_F(CompactHive, ReadsBackThroughTheRegistryCalls) {
  tools::RegistryContent content;
  const std::u16string services = u"SYSTEM\\CurrentControlSet\\Services\\";
  // 1,200 services: three lh leaves below an ri index.
  for (int i = 0; i < 1200; ++i) {
    const std::u16string key = services + u"svc" + text::FromUtf8(std::to_string(i));
    content.SetDword(key, u"Start", static_cast<std::uint32_t>(i % 5));
    content.SetString(key, u"ImagePath", u"system32\\DRIVERS\\svc" + text::FromUtf8(std::to_string(i)) + u".sys", 2);
  }
  content.SetString(services + u"elxstor\\Parameters\\Device", u"DriverParameter", u"QueueDepth=32;QueueTarget=1");
  content.SetValue(services + u"elxstor\\Security", u"Security", tools::RegValue{3, std::vector<std::uint8_t>(150, 7)});
  content.SetString(services + u"elxstor", u"", u"default value");
  content.SetDword(u"SYSTEM\\Select", u"Current", 1);
  content.SetString(u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", u"CurrentVersion", u"5.2");
  std::string error;
  ASSERT_TRUE(bench::WriteCompactHives(content, 1, config_ + "/SYSTEM", config_ + "/SOFTWARE", &error)) << error;

  for (const char* hive : {"/SYSTEM", "/SOFTWARE"}) {
    hive_h* h = hivex_open((config_ + hive).c_str(), 0);
    EXPECT_NE(h, nullptr) << hive << " needs hivex's unsafe mode";
    if (h) hivex_close(h);
  }
  // Each service takes about 250 bytes of cells (key, value list, two values,
  // the path's data, its list entry); hivex's writer would leave some 5 MB of
  // old subkey lists behind here.
  EXPECT_LT(std::filesystem::file_size(config_ + "/SYSTEM"), 1200u * 300u + 16384u);

  offline::MachineOptions machine;
  machine.root = base_;
  ASSERT_TRUE(offline::ConfigureMachine(machine, &error)) << error;
  int checked = 0;
  for (const tools::RegKey& key : content.Keys()) {
    os::HKEY handle = nullptr;
    ASSERT_EQ(os::RegOpenKeyExW(os::HKEY_LOCAL_MACHINE, key.path.c_str(), 0, os::KEY_ALL_ACCESS, &handle), 0)
        << text::ToUtf8(key.path);
    for (const auto& [name, value] : key.values) {
      std::vector<os::BYTE> data(value.data.size() + 8);
      os::DWORD type = 0, size = static_cast<os::DWORD>(data.size());
      ASSERT_EQ(os::RegQueryValueExW(handle, name.c_str(), nullptr, &type, data.data(), &size), 0);
      data.resize(size);
      EXPECT_EQ(type, value.type);
      EXPECT_EQ(data, value.data) << text::ToUtf8(key.path) << " " << text::ToUtf8(name);
      ++checked;
    }
    os::RegCloseKey(handle);
  }
  EXPECT_EQ(checked, 2 * 1200 + 5);
}

}  // namespace
