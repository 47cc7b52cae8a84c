// A read-only view of bytes taken from an untrusted file. Every read names an
// offset and a length; a range that does not lie wholly inside the view fails
// instead of reading past it. Offsets are 64-bit so that sums of values read
// from a file cannot wrap. Multi-byte reads are little-endian, through memcpy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>

namespace offline {

class ByteView {
 public:
  ByteView() = default;
  ByteView(const std::uint8_t* data, std::size_t size) : data_(size ? data : nullptr), size_(data ? size : 0) {}

  const std::uint8_t* data() const { return data_; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

  // True when [offset, offset + length) lies inside the view.
  bool contains(std::uint64_t offset, std::uint64_t length) const {
    return offset <= size_ && length <= size_ - offset;
  }

  std::optional<std::uint8_t> u8At(std::uint64_t offset) const {
    if (!contains(offset, 1)) return std::nullopt;
    return data_[offset];
  }

  std::optional<std::uint16_t> u16At(std::uint64_t offset) const {
    std::uint8_t b[2];
    if (!copyOut(offset, b, sizeof b)) return std::nullopt;
    return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
  }

  std::optional<std::uint32_t> u32At(std::uint64_t offset) const {
    std::uint8_t b[4];
    if (!copyOut(offset, b, sizeof b)) return std::nullopt;
    return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
           (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
  }

  // The sub-range [offset, offset + length), or nothing when it is not inside.
  std::optional<ByteView> sub(std::uint64_t offset, std::uint64_t length) const {
    if (!contains(offset, length)) return std::nullopt;
    return ByteView(length ? data_ + offset : nullptr, static_cast<std::size_t>(length));
  }

  // Copies length bytes from offset into out; false (out untouched) when out of range.
  bool copyOut(std::uint64_t offset, void* out, std::size_t length) const {
    if (!contains(offset, length)) return false;
    if (length) std::memcpy(out, data_ + offset, length);
    return true;
  }

 private:
  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace offline
