// The generated servers must be what the benchmark claims: every searched INF
// is one the program's INF reader accepts (a file it rejected would make the
// run cheaper than on a real server), the tool's packages are found by the
// searches' lines, names follow the short/long rule, and the padded driver
// files still carry their version.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "bench/gen/image_writer.h"
#include "bench/gen/server_plan.h"
#include "bench/tests/temp_dir.h"
#include "platform/offline/winapi/machine.h"
#include "platform/os.h"
#include "platform/text.h"

namespace {

struct NameCase {
  int oemInfs;
  double shortShare;
  int searched;
};

TEST(ServerPlan, ShortNamesAreTheSearchedOnes) {
  const NameCase cases[] = {{30, 1.0, 30}, {1500, 0.5, 750}, {3200, 0.3125, 1000}, {2000, 1.0, 1000}, {10, 0.0, 0}};
  for (const NameCase& c : cases) {
    bench::ServerOptions options;
    options.oemInfs = c.oemInfs;
    options.shortShare = c.shortShare;
    options.inboxInfs = 3;
    options.services = 12;
    options.system32Files = 4;
    const bench::ServerPlan plan = bench::MakePlan(options);
    ASSERT_EQ(plan.oem.size(), static_cast<std::size_t>(c.oemInfs));
    int searched = 0, listed = 0;
    for (const bench::OemInf& inf : plan.oem) {
      SCOPED_TRACE(inf.fileName);
      // The searches open names of at most 10 characters and stop at "OEMS".
      EXPECT_EQ(inf.searched, inf.fileName.size() <= 10);
      EXPECT_EQ(inf.fileName.find("oems"), std::string::npos);
      EXPECT_TRUE(!inf.listed || inf.searched);
      searched += inf.searched;
      listed += inf.listed;
    }
    EXPECT_EQ(searched, c.searched) << c.oemInfs << " at " << c.shortShare;
    EXPECT_EQ(listed, std::min(c.searched, 17));
    for (const std::string& name : plan.services) EXPECT_FALSE(bench::IsReservedName(name)) << name;
    EXPECT_EQ(plan.services.size() + bench::kToolServices, 12u);
  }
}

class GeneratedImage : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir_.path().empty());
    base_ = dir_.path();
    options_.oemInfs = 60;
    options_.inboxInfs = 4;
    options_.services = 10;
    options_.system32Files = 10;
    plan_ = bench::MakePlan(options_);
    std::string error;
    ASSERT_TRUE(bench::WriteImage(plan_, options_, base_ + "/image", &image_, &error)) << error;
    offline::MachineOptions machine;
    machine.root = base_ + "/image";
    ASSERT_TRUE(offline::ConfigureMachine(machine, &error)) << error;
  }

  bench_test::TempDir dir_;
  std::string base_;
  bench::ServerOptions options_;
  bench::ServerPlan plan_;
  bench::WrittenImage image_;
};

// The text of the first `key` line in `section`, as the searches read it.
std::u16string LineText(const std::u16string& path, const std::u16string& section, const std::u16string& key) {
  os::HINF inf = os::SetupOpenInfFileW(path.c_str(), nullptr, os::INF_STYLE_WIN4, nullptr);
  if (inf == os::INVALID_HANDLE_VALUE) return u"<not opened>";
  std::u16string result = u"<no line>";
  os::INFCONTEXT context{};
  os::DWORD size = 0;
  if (os::SetupFindFirstLineW(inf, section.c_str(), key.c_str(), &context) &&
      os::SetupGetLineTextW(&context, nullptr, nullptr, nullptr, nullptr, 0, &size) && size > 0) {
    std::u16string buffer(size, u'\0');
    if (os::SetupGetLineTextW(&context, nullptr, nullptr, nullptr, buffer.data(), size, nullptr))
      result = buffer.substr(0, size - 1);
  }
  os::SetupCloseInfFile(inf);
  return result;
}

TEST_F(GeneratedImage, EveryOemInfOpensAndNamesItsCatalog) {
  int unicode = 0;
  for (const bench::OemInf& inf : plan_.oem) {
    SCOPED_TRACE(inf.fileName);
    const std::u16string path = u"C:\\WINDOWS\\inf\\" + text::FromUtf8(inf.fileName);
    const bench::InfPackage& p = inf.package;
    EXPECT_EQ(LineText(path, u"version", u"CatalogFile"), text::FromUtf8(p.catalog));
    // The line's fields come back joined by bare commas.
    std::string addReg = p.firstAddReg;
    for (std::size_t at; (at = addReg.find(", ")) != std::string::npos;) addReg.erase(at + 1, 1);
    EXPECT_EQ(LineText(path, text::FromUtf8(p.install), u"AddReg"), text::FromUtf8(addReg));
    unicode += p.unicode;
  }
  // Both encodings are exercised.
  EXPECT_GT(unicode, 0);
  EXPECT_LT(unicode, static_cast<int>(plan_.oem.size()));
  EXPECT_EQ(image_.infFolderFiles, 2 * (60 + 4));
}

TEST_F(GeneratedImage, DriverFilesHaveTheirSizeAndVersion) {
  for (const bench::PeFile& file : plan_.peFiles) {
    SCOPED_TRACE(file.windowsPath);
    const std::u16string path = text::FromUtf8(file.windowsPath);
    EXPECT_EQ(std::filesystem::file_size(bench::HostPath(base_ + "/image", file.windowsPath)), file.bytes);
    os::DWORD handle = 0;
    const os::DWORD size = os::GetFileVersionInfoSizeW(path.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<std::uint8_t> block(size);
    ASSERT_TRUE(os::GetFileVersionInfoW(path.c_str(), 0, size, block.data()));
    void* value = nullptr;
    os::UINT length = 0;
    ASSERT_TRUE(os::VerQueryValueW(block.data(), u"\\", &value, &length));
  }
  // Searched INFs and the read PE files are the needed ones.
  std::size_t needed = 0;
  for (const bench::PeFile& file : plan_.peFiles) needed += file.needed;
  for (const bench::OemInf& inf : plan_.oem) needed += inf.searched;
  EXPECT_EQ(image_.neededFiles.size(), needed);
}

}  // namespace
