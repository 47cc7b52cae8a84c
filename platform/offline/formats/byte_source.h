// Bytes of a file that need not all be in memory: a reader asks for the few
// ranges it needs (the headers, a table, one resource) and each read names
// its offset and length. A range that does not lie wholly inside the source,
// or cannot be read, fails instead of yielding bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/offline/formats/byte_view.h"

namespace offline {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::uint64_t size() const = 0;
  // Copies [offset, offset + length) into out; false when it is not wholly inside or cannot be read.
  virtual bool read(std::uint64_t offset, void* out, std::size_t length) const = 0;

  bool contains(std::uint64_t offset, std::uint64_t length) const {
    return offset <= size() && length <= size() - offset;
  }
  std::optional<std::uint16_t> u16At(std::uint64_t offset) const {
    std::uint8_t b[2];
    if (!read(offset, b, sizeof b)) return std::nullopt;
    return ByteView(b, sizeof b).u16At(0);
  }
  std::optional<std::uint32_t> u32At(std::uint64_t offset) const {
    std::uint8_t b[4];
    if (!read(offset, b, sizeof b)) return std::nullopt;
    return ByteView(b, sizeof b).u32At(0);
  }
};

// A source over bytes already in memory.
class ViewSource final : public ByteSource {
 public:
  explicit ViewSource(ByteView view) : view_(view) {}
  std::uint64_t size() const override { return view_.size(); }
  bool read(std::uint64_t offset, void* out, std::size_t length) const override {
    return view_.copyOut(offset, out, length);
  }

 private:
  ByteView view_;
};

}  // namespace offline
