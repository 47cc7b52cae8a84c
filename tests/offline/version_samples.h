// Version resources for the reader tests: a sample description, the builder's
// image of it, and the resource bytes the PE reader finds in an image.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/offline/byte_view.h"
#include "platform/offline/pe_resource.h"
#include "platform/os.h"
#include "tools/lib/pe_builder.h"

namespace offline_test {

using Bytes = std::vector<std::uint8_t>;

inline offline::ByteView View(const Bytes& b) { return offline::ByteView(b.data(), b.size()); }

// File version 7.1.12.0, product version 2.5.0.9, a US-English string table.
inline tools::VersionSpec SampleVersion(bool pe64 = false) {
  tools::VersionSpec versionSpec = tools::FileVersion(7, 1, 12, 0);
  versionSpec.productVersion[0] = 2;
  versionSpec.productVersion[1] = 5;
  versionSpec.productVersion[2] = 0;
  versionSpec.productVersion[3] = 9;
  versionSpec.strings = {{u"CompanyName", u"Halvorn Storage"}, {u"InternalName", u"elxstor.sys"}};
  versionSpec.pe64 = pe64;
  return versionSpec;
}

inline std::optional<Bytes> Resource(const Bytes& file) {
  auto r = offline::FindVersionResource(View(file));
  if (!r) return std::nullopt;
  return r->bytes;
}

inline std::uint32_t Get32(const Bytes& b, std::size_t at) { return View(b).u32At(at).value(); }
inline std::uint16_t Get16(const Bytes& b, std::size_t at) { return View(b).u16At(at).value(); }
inline void Put16(Bytes& b, std::size_t at, std::uint16_t v) {
  b.at(at) = static_cast<std::uint8_t>(v & 0xFF);
  b.at(at + 1) = static_cast<std::uint8_t>(v >> 8);
}
inline void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  Put16(b, at, static_cast<std::uint16_t>(v & 0xFFFF));
  Put16(b, at + 2, static_cast<std::uint16_t>(v >> 16));
}

// The fixed file information of a caller's copy of a block, through VerQueryValueW.
inline std::optional<os::VS_FIXEDFILEINFO> Fixed(const Bytes& block) {
  void* p = nullptr;
  os::UINT len = 99;
  if (!os::VerQueryValueW(block.data(), u"\\", &p, &len)) {
    EXPECT_EQ(len, 0u);
    return std::nullopt;
  }
  EXPECT_GE(len, sizeof(os::VS_FIXEDFILEINFO));
  os::VS_FIXEDFILEINFO info;
  std::memcpy(&info, p, sizeof info);
  return info;
}

// A text value of the block, read as a caller reads it: up to its NUL, which
// must lie inside the block.
inline std::optional<std::u16string> Text(const Bytes& block, const char16_t* path) {
  void* p = nullptr;
  os::UINT len = 99;
  if (!os::VerQueryValueW(block.data(), path, &p, &len)) {
    EXPECT_EQ(len, 0u);
    return std::nullopt;
  }
  const auto* begin = block.data();
  const auto* at = static_cast<const std::uint8_t*>(p);
  EXPECT_TRUE(at >= begin && at < begin + block.size());
  std::u16string s;
  for (std::size_t off = static_cast<std::size_t>(at - begin); off + 2 <= block.size(); off += 2) {
    char16_t c;
    std::memcpy(&c, begin + off, 2);
    if (c == 0) return s;
    s.push_back(c);
  }
  ADD_FAILURE() << "text not terminated inside the block";
  return std::nullopt;
}

}  // namespace offline_test
