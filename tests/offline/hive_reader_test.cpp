// Hives read from bytes and from an open descriptor: what they hold, the
// dirty note, and the reason each damaged one is refused.
#include "platform/offline/hive_reader.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/offline/hive_layout.h"
#include "tools/lib/registry_content.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using offline::HiveError;

// A SYSTEM hive with one service, as the fixture writer makes it.
Bytes SystemHive() {
  const fs::path dir = fs::temp_directory_path() / ("quillon_hive_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  tools::RegistryContent c;
  c.SetDword(u"SYSTEM\\CurrentControlSet\\Services\\elxstor", u"Start", 3);
  std::string error;
  EXPECT_TRUE(tools::WriteHives(c, QUILLON_SOURCE_DIR "/tests/fixtures/minimal.hive", (dir / "SYSTEM").string(),
                                (dir / "SOFTWARE").string(), 2, &error))
      << error;
  std::ifstream in(dir / "SYSTEM", std::ios::binary);
  Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::error_code ec;
  fs::remove_all(dir, ec);
  return bytes;
}

offline::ByteView View(const Bytes& b) { return offline::ByteView(b.data(), b.size()); }

TEST(HiveReader, ReadsKeysAndValuesFromBytesAndDescriptors) {
  const Bytes hive = SystemHive();
  offline::RegTreeKey fromBytes;
  const auto read = offline::ReadHiveBytes(View(hive), &fromBytes);
  ASSERT_TRUE(read) << offline::Describe(read.reason());
  EXPECT_FALSE(read->dirty);
  const offline::RegTreeKey* service = offline::FindKey(fromBytes, u"ControlSet002\\Services\\ELXSTOR");
  ASSERT_NE(service, nullptr);
  ASSERT_NE(service->Value(u"start"), nullptr);
  EXPECT_EQ(service->Value(u"start")->data, Bytes({3, 0, 0, 0}));

  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  std::fwrite(hive.data(), 1, hive.size(), file);
  std::fflush(file);
  offline::RegTreeKey fromFile;
  const auto again = offline::ReadHiveDescriptor(fileno(file), &fromFile);
  std::fclose(file);
  ASSERT_TRUE(again);
  EXPECT_NE(offline::FindKey(fromFile, u"ControlSet002\\Services\\elxstor"), nullptr);
  EXPECT_NE(offline::FindKey(fromFile, u"Select"), nullptr);
}

TEST(HiveReader, DirtyHivesAreReadAndSaySo) {
  Bytes hive = SystemHive();
  ASSERT_TRUE(tools::MarkHiveDirty(&hive));
  EXPECT_EQ(offline::hive::BaseBlockChecksum(View(hive)), View(hive).u32At(offline::hive::kChecksum));
  offline::RegTreeKey root;
  const auto read = offline::ReadHiveBytes(View(hive), &root);
  ASSERT_TRUE(read);
  EXPECT_TRUE(read->dirty);
  EXPECT_NE(offline::FindKey(root, u"ControlSet002\\Services\\elxstor"), nullptr);
}

TEST(HiveReader, RejectionsSayWhy) {
  const Bytes hive = SystemHive();
  ASSERT_GT(hive.size(), 2 * offline::hive::kBaseBlockSize);
  auto prefix = [&](std::size_t n) { return Bytes(hive.begin(), hive.begin() + static_cast<std::ptrdiff_t>(n)); };
  Bytes unsigned_ = hive;
  unsigned_[offline::hive::kSignature] = 'R';
  Bytes noBins = prefix(offline::hive::kBaseBlockSize);
  noBins.resize(2 * offline::hive::kBaseBlockSize, 0);
  const struct {
    const char* name;
    Bytes bytes;
    HiveError reason;
  } cases[] = {
      {"empty", {}, HiveError::kTooShort},
      {"a few bytes of a hive", prefix(100), HiveError::kTooShort},
      {"the base block but one byte", prefix(offline::hive::kBaseBlockSize - 1), HiveError::kTooShort},
      {"no signature", unsigned_, HiveError::kNotAHive},
      {"text", Bytes(8192, 'x'), HiveError::kNotAHive},
      {"the base block alone", prefix(offline::hive::kBaseBlockSize), HiveError::kDamaged},
      {"the base block and zeros", noBins, HiveError::kDamaged},
  };
  for (const auto& c : cases) {
    offline::RegTreeKey root;
    const auto read = offline::ReadHiveBytes(View(c.bytes), &root);
    ASSERT_FALSE(read) << c.name;
    EXPECT_EQ(read.reason(), c.reason) << c.name;
    EXPECT_TRUE(root.children.empty() && root.values.empty()) << c.name;
  }
}

}  // namespace
