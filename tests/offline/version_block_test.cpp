// Queries on a version block with VerQueryValueW's rules, on whole and cut
// copies, and damaged blocks, each refused with its own reason and without
// handing out anything that runs past the block.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/codecs.h"
#include "platform/offline/formats/pe_layout.h"
#include "platform/offline/formats/version_block.h"
#include "tests/offline/version_samples.h"
#include "tools/lib/pe_builder.h"

namespace {

using namespace offline_test;
using offline::VersionQueryError;
namespace vn = offline::pe::version_node;
namespace ffi = offline::pe::fixed_file_info;

const char16_t* const kCompany = u"\\StringFileInfo\\040904B0\\CompanyName";
// The root's value: after its header and "VS_VERSION_INFO" with its NUL, padded to 4.
constexpr std::size_t kFixedInfo = 40;

std::optional<VersionQueryError> Rejection(const Bytes& block, const char16_t* path) {
  const auto v = offline::QueryVersionValue(View(block), path);
  if (v) return std::nullopt;
  return v.reason();
}

// Offset of the node whose key is `key` (its first occurrence in the block).
std::size_t NodeOf(const Bytes& b, const std::u16string& key) {
  const Bytes k = codecs::EncodeUtf16Le(key);
  const auto it = std::search(b.begin(), b.end(), k.begin(), k.end());
  EXPECT_NE(it, b.end());
  return static_cast<std::size_t>(it - b.begin()) - vn::kHeaderSize;
}

TEST(VersionBlock, PathRules) {
  const Bytes block = *Resource(tools::BuildVersionedPe(SampleVersion()));
  EXPECT_TRUE(Fixed(block));
  void* p = nullptr;
  os::UINT len = 0;
  EXPECT_TRUE(os::VerQueryValueW(block.data(), u"", &p, &len));  // empty path is the root
  EXPECT_EQ(len, sizeof(os::VS_FIXEDFILEINFO));
  EXPECT_EQ(Text(block, u"\\stringfileinfo\\040904b0\\COMPANYNAME"), u"Halvorn Storage");
  EXPECT_EQ(Text(block, u"\\\\StringFileInfo\\\\040904B0\\CompanyName\\"), u"Halvorn Storage");
  EXPECT_EQ(Text(block, u"StringFileInfo\\040904B0\\CompanyName"), u"Halvorn Storage");
  for (const char16_t* missing : {u"\\StringFileInfo\\040904B0\\CompanyNam",  // exact length
                                  u"\\StringFileInfo\\040904B0\\CompanyNameX",
                                  u"\\StringFileInfo\\040904B0\\ProductName", u"\\StringFileInfo\\0409\\CompanyName"}) {
    EXPECT_FALSE(Text(block, missing));
    EXPECT_EQ(Rejection(block, missing), VersionQueryError::kNotFound);
  }
  std::u16string deep;
  for (std::size_t i = 0; i <= offline::kMaxVersionPathParts; ++i) deep += u"\\StringFileInfo";
  EXPECT_EQ(Rejection(block, deep.c_str()), VersionQueryError::kPathTooLong);
  // The translation list is a binary value: language, then code page.
  ASSERT_TRUE(os::VerQueryValueW(block.data(), u"\\VarFileInfo\\Translation", &p, &len));
  EXPECT_EQ(len, 4u);
  Bytes t(4);
  std::memcpy(t.data(), p, 4);
  EXPECT_EQ(Get16(t, 0), 0x0409);
  EXPECT_EQ(Get16(t, 2), 1200);
}

TEST(VersionBlock, DamagedBlocksSayWhy) {
  const Bytes good = *Resource(tools::BuildVersionedPe(SampleVersion()));
  const std::size_t sfi = NodeOf(good, u"StringFileInfo");
  const std::size_t company = NodeOf(good, u"CompanyName");
  const std::size_t translation = NodeOf(good, u"Translation");
  // The CompanyName text (after the header and "CompanyName" with its NUL,
  // 32 bytes) with its NUL overwritten, the node ending right after it and
  // claiming a long value.
  const std::size_t textEnd = company + 32 + 2 * std::u16string(u"Halvorn Storage").size();
  auto unterminated = [&](Bytes& b, std::uint16_t type, std::uint16_t valueLength) {
    b[textEnd] = 'x';
    Put16(b, company + vn::kLength, static_cast<std::uint16_t>(textEnd + 2 - company));
    Put16(b, company + vn::kValueLength, valueLength);
    Put16(b, company + vn::kType, type);
  };
  const struct {
    const char* name;
    std::function<void(Bytes&)> damage;
    const char16_t* path;
    VersionQueryError reason;
  } cases[] = {
      {"root wLength 0", [](Bytes& b) { Put16(b, vn::kLength, 0); }, u"\\", VersionQueryError::kBadRoot},
      {"root too short for a header", [](Bytes& b) { Put16(b, vn::kLength, 5); }, kCompany,
       VersionQueryError::kBadRoot},
      {"root ends inside the fixed info", [](Bytes& b) { Put16(b, vn::kLength, 60); }, u"\\",
       VersionQueryError::kNoFixedInfo},
      {"wrong signature", [](Bytes& b) { b[kFixedInfo + ffi::kSignature] ^= 0xFF; }, u"\\",
       VersionQueryError::kBadSignature},
      {"a child with wLength 0 ends the list", [&](Bytes& b) { Put16(b, sfi + vn::kLength, 0); }, kCompany,
       VersionQueryError::kNotFound},
      {"a child longer than its parent", [&](Bytes& b) { Put16(b, sfi + vn::kLength, 0xFFFF); }, kCompany,
       VersionQueryError::kBadNode},
      {"a node that ends before its value", [&](Bytes& b) { Put16(b, company + vn::kLength, 30); }, kCompany,
       VersionQueryError::kNoValue},
      {"text without a NUL in its node", [&](Bytes& b) { unterminated(b, vn::kTypeText, 0xFFFF); }, kCompany,
       VersionQueryError::kUnterminatedText},
      {"the same text claiming to be binary", [&](Bytes& b) { unterminated(b, vn::kTypeBinary, 8); }, kCompany,
       VersionQueryError::kUnterminatedText},
      {"the same text with an unknown type", [&](Bytes& b) { unterminated(b, 0x0201, 8); }, kCompany,
       VersionQueryError::kUnterminatedText},
      {"binary value longer than its node", [&](Bytes& b) { Put16(b, translation + vn::kValueLength, 0xFF); },
       u"\\VarFileInfo\\Translation", VersionQueryError::kValueOutsideNode},
  };
  for (const auto& c : cases) {
    Bytes b = good;
    c.damage(b);
    EXPECT_EQ(Rejection(b, c.path), c.reason) << c.name;
    void* p = nullptr;
    EXPECT_FALSE(os::VerQueryValueW(b.data(), c.path, &p, nullptr)) << c.name;
  }
  // Damage in one string leaves the others and the fixed info readable.
  Bytes b = good;
  unterminated(b, vn::kTypeText, 0xFFFF);
  EXPECT_TRUE(Text(b, u"\\StringFileInfo\\040904B0\\InternalName"));
  b = good;
  Put16(b, sfi + vn::kLength, 0);
  EXPECT_TRUE(Fixed(b));
}

TEST(VersionBlock, CopyIntoBuffersOfEverySize) {
  const Bytes resource = *Resource(tools::BuildVersionedPe(SampleVersion()));
  const offline::ByteView view = View(resource);
  for (std::size_t size = 0; size <= resource.size() + 8; ++size) {
    Bytes buffer(size);
    const bool copied = offline::CopyVersionBlock(view, buffer.data(), size);
    ASSERT_EQ(copied, size >= vn::kHeaderSize) << size;
    if (!copied) continue;
    // Queries on a cut copy stay inside it and find only what was copied whole.
    const bool whole = size >= resource.size();
    EXPECT_EQ(Fixed(buffer).has_value(), size >= kFixedInfo + ffi::kSize) << size;
    if (whole) {
      EXPECT_EQ(Text(buffer, u"\\StringFileInfo\\040904B0\\InternalName"), u"elxstor.sys");
    } else {
      EXPECT_LE(Get16(buffer, 0), size);
    }
  }
}

}  // namespace
