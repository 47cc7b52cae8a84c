// Hives read from bytes and from an open descriptor: what they hold, the
// dirty note, and the reason each damaged one is refused.
#include "platform/offline/formats/hive_reader.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/offline/formats/hive_layout.h"
#include "platform/text.h"
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

// Every key below `key` with its values, one line each, filling as it goes.
std::string Dump(const offline::RegTreeKey& key, const std::string& path = "") {
  std::string out;
  for (const auto& [upper, v] : key.AllValues())
    out += path + " " + text::ToUtf8(v.name) + "=" + std::to_string(v.type) + ":" +
           std::string(v.data.begin(), v.data.end()) + "\n";
  for (const auto& [upper, c] : key.Subkeys()) out += Dump(*c, path + "\\" + text::ToUtf8(c->name));
  return out;
}

// Keys are filled after the reader returns: from the hive as it was when it
// was opened, whatever becomes of the caller's descriptor and the file.
TEST(HiveReader, KeysFilledLaterComeFromTheHiveAsRead) {
  const Bytes hive = SystemHive();
  offline::RegTreeKey whole;
  ASSERT_TRUE(offline::ReadHiveBytes(View(hive), &whole));
  const std::string expected = Dump(whole);
  ASSERT_NE(expected.find("Services\\elxstor Start"), std::string::npos) << expected;
  const struct {
    const char* name;
    void (*change)(int fd);
  } cases[] = {
      {"left alone", [](int) {}},
      {"cut short", [](int fd) { ASSERT_EQ(ftruncate(fd, offline::hive::kBaseBlockSize), 0); }},
      {"written over",
       [](int fd) {
         const Bytes zeros(1 << 16, 0);
         ASSERT_EQ(pwrite(fd, zeros.data(), zeros.size(), offline::hive::kBaseBlockSize), 1 << 16);
       }},
  };
  for (const auto& c : cases) {
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    std::fwrite(hive.data(), 1, hive.size(), file);
    std::fflush(file);
    offline::RegTreeKey root;
    ASSERT_TRUE(offline::ReadHiveDescriptor(fileno(file), &root)) << c.name;
    c.change(fileno(file));
    std::fclose(file);
    EXPECT_EQ(Dump(root), expected) << c.name;
  }
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
    EXPECT_TRUE(root.Subkeys().empty() && root.AllValues().empty()) << c.name;
  }
}

// A hive from the fixture writer with `content`, as bytes.
Bytes HiveOf(const tools::RegistryContent& c) {
  const fs::path dir = fs::temp_directory_path() / ("quillon_hive2_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::string error;
  EXPECT_TRUE(tools::WriteHives(c, QUILLON_SOURCE_DIR "/tests/fixtures/minimal.hive", (dir / "SYSTEM").string(),
                                (dir / "SOFTWARE").string(), 1, &error))
      << error;
  std::ifstream in(dir / "SOFTWARE", std::ios::binary);
  Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  fs::remove_all(dir);
  return bytes;
}

std::size_t Find(const Bytes& b, const std::string& s) {
  return static_cast<std::size_t>(std::search(b.begin(), b.end(), s.begin(), s.end()) - b.begin());
}

void Put32(Bytes* b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) (*b)[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Hostile hives end quickly with what they hold. The key Loop is made to
// list itself as its subkey (its one subkey-list entry pointed back at its
// own cell); a name is cut by a NUL written into it.
TEST(HiveReader, HostileHivesStayWithinBounds) {
  tools::RegistryContent c;
  for (int i = 0; i < 64; ++i) c.SetDword(u"SOFTWARE\\Loop", u"v" + text::FromUtf8(std::to_string(i)), 1);
  c.SetValue(u"SOFTWARE\\Loop", u"Big", tools::RegValue{3, Bytes(16000, 0xAB)});
  c.SetValue(u"SOFTWARE\\Loop", u"Odd", tools::RegValue{0xFFFF0012, {1, 2}});
  c.CreateKey(u"SOFTWARE\\Loop\\Child");
  c.SetDword(u"SOFTWARE\\ParamQQeters", u"ValQQue", 5);
  Bytes hive = HiveOf(c);
  // Loop's nk cell starts 0x50 before its name; its subkey list's offset (from
  // the first bin, 0x1000) is at 0x20 into the cell, the list's first entry 8 in.
  const std::size_t loop = Find(hive, "Loop") - 0x50;
  const std::uint32_t list = *offline::ByteView(hive.data(), hive.size()).u32At(loop + 0x20) + 0x1000;
  Put32(&hive, list + 8, static_cast<std::uint32_t>(loop - 0x1000));
  hive[Find(hive, "ParamQQeters") + 5] = 0;
  hive[Find(hive, "ValQQue") + 3] = 0;

  offline::RegTreeKey root;
  const auto read = offline::ReadHiveBytes(View(hive), &root);
  ASSERT_TRUE(read) << offline::Describe(read.reason());
  const offline::RegTreeKey* key = offline::FindKey(root, u"Loop");
  ASSERT_NE(key, nullptr);
  EXPECT_TRUE(key->Subkeys().empty());  // itself, once is enough
  EXPECT_EQ(key->AllValues().size(), 66u);
  ASSERT_NE(key->Value(u"big"), nullptr);
  EXPECT_EQ(key->Value(u"big")->data.size(), 16000u);
  ASSERT_NE(key->Value(u"odd"), nullptr);
  EXPECT_EQ(key->Value(u"odd")->type, 0xFFFF0012u);  // the stored number, no enum
  // Names with a NUL are themselves, never their first part (hivex gives only that).
  EXPECT_EQ(offline::FindKey(root, u"Param"), nullptr);
  const offline::RegTreeKey* cut = offline::FindKey(root, std::u16string(u"Param\0Qeters", 12));
  ASSERT_NE(cut, nullptr);
  EXPECT_EQ(cut->Value(u"ValQ"), nullptr);
  EXPECT_NE(cut->Value(std::u16string(u"Val\0Que", 7)), nullptr);
}

// Each level's two subkeys made one key listed twice, a diamond at every
// level: walked without taking each cell once, 40 levels are 2^40 keys, and
// the key budget spent on them would leave none for keys filled after.
TEST(HiveReader, SubkeysListedTwiceAreWalkedOnce) {
  constexpr int kLevels = 40;
  auto name = [](int i) { return "K" + std::string(i < 10 ? "0" : "") + std::to_string(i); };
  tools::RegistryContent c;
  std::u16string path = u"SOFTWARE";
  for (int i = 0; i < kLevels; ++i) {
    c.CreateKey(path + u"\\" + text::FromUtf8(name(i)) + u"b");
    path += u"\\" + text::FromUtf8(name(i)) + u"a";
    c.CreateKey(path);
  }
  c.CreateKey(u"SOFTWARE\\Zed\\Later");
  Bytes hive = HiveOf(c);
  for (int i = 0; i + 1 < kLevels; ++i) {
    const std::size_t parent = Find(hive, name(i) + "a") - 0x50;
    const std::size_t list = *offline::ByteView(hive.data(), hive.size()).u32At(parent + 0x20) + 0x1000;
    ASSERT_EQ(hive[list + 4], 'l');  // "lf" or "lh": 8 bytes an entry
    const auto next = static_cast<std::uint32_t>(Find(hive, name(i + 1) + "a") - 0x50 - 0x1000);
    Put32(&hive, list + 8, next);
    Put32(&hive, list + 16, next);
  }
  offline::RegTreeKey root;
  ASSERT_TRUE(offline::ReadHiveBytes(View(hive), &root));
  const offline::RegTreeKey* top = offline::FindKey(root, u"K00a");
  ASSERT_NE(top, nullptr);
  std::size_t count = 0;
  for (const offline::RegTreeKey* key = top; key->Subkeys().size() == 1; key = key->Subkeys().begin()->second.get())
    ++count;
  EXPECT_EQ(count, static_cast<std::size_t>(kLevels - 1));
  EXPECT_NE(offline::FindKey(root, u"K00a\\K01a\\K02a\\K03a"), nullptr);
  EXPECT_EQ(offline::FindKey(root, u"K00a\\K01b"), nullptr);
  EXPECT_NE(offline::FindKey(root, u"Zed\\Later"), nullptr);
}

}  // namespace
