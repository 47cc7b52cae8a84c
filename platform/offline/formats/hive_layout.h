// The base block at the start of a registry hive file ("regf"): offsets of
// its fields, little-endian, as the hive reader, the fixture writer and the
// tests use them.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/offline/formats/byte_view.h"

namespace offline {
namespace hive {

constexpr std::uint32_t kSignatureValue = 0x66676572;  // "regf"
constexpr std::uint64_t kSignature = 0;
constexpr std::uint64_t kPrimarySequence = 4;    // raised before a write ...
constexpr std::uint64_t kSecondarySequence = 8;  // ... and set equal once it is complete
constexpr std::uint64_t kLastWritten = 12;       // FILETIME
constexpr std::uint64_t kMajorVersion = 20;
constexpr std::uint64_t kMinorVersion = 24;
constexpr std::uint64_t kFileType = 28;
constexpr std::uint64_t kFileFormat = 32;
constexpr std::uint64_t kRootCell = 36;
constexpr std::uint64_t kHiveBinsSize = 40;
constexpr std::uint64_t kClusteringFactor = 44;
constexpr std::uint64_t kFileName = 48;     // 64 bytes of UTF-16LE
constexpr std::uint64_t kChecksum = 0x1FC;  // XOR of the 32-bit words before it
constexpr std::uint64_t kBaseBlockSize = 4096;

// The checksum the base block should carry; nothing when it is too short.
inline std::optional<std::uint32_t> BaseBlockChecksum(ByteView block) {
  std::uint32_t sum = 0;
  for (std::uint64_t at = 0; at < kChecksum; at += 4) {
    const auto word = block.u32At(at);
    if (!word) return std::nullopt;
    sum ^= *word;
  }
  return sum;
}

}  // namespace hive
}  // namespace offline
