// A file of a drive as a byte source: a reader of a large file (a driver of
// hundreds of megabytes) fetches only the ranges it asks for, small ones from
// one block kept in memory.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/offline/formats/byte_source.h"
#include "platform/offline/winapi/drive_source.h"

namespace offline {

class FileBytes final : public ByteSource {
 public:
  explicit FileBytes(DriveFile& file) : file_(file), size_(file.Size()) {}
  std::uint64_t size() const override { return size_; }
  bool read(std::uint64_t offset, void* out, std::size_t length) const override;

 private:
  static constexpr std::size_t kBlock = 4096;
  bool Fetch(std::uint64_t offset, std::uint8_t* out, std::size_t length) const;

  DriveFile& file_;
  std::uint64_t size_;
  mutable std::vector<std::uint8_t> block_;
  mutable std::uint64_t blockStart_ = 0;
};

}  // namespace offline
