#include "platform/offline/winapi/file_bytes.h"

#include <algorithm>
#include <cstring>

namespace offline {

bool FileBytes::Fetch(std::uint64_t offset, std::uint8_t* out, std::size_t length) const {
  std::size_t got = 0;
  while (got < length) {
    const long n = file_.ReadAt(offset + got, out + got, length - got);
    if (n <= 0) return false;
    got += static_cast<std::size_t>(n);
  }
  return true;
}

bool FileBytes::read(std::uint64_t offset, void* out, std::size_t length) const {
  if (!contains(offset, length)) return false;
  auto* to = static_cast<std::uint8_t*>(out);
  if (length == 0) return true;
  // Small reads (the headers' fields, directory entries) come from the block
  // that holds them.
  const std::uint64_t start = offset - offset % kBlock;
  if (offset + length <= start + kBlock) {
    if (block_.empty() || blockStart_ != start) {
      const std::size_t blockLength = static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, size_ - start));
      block_.resize(blockLength);
      blockStart_ = start;
      if (!Fetch(start, block_.data(), blockLength)) {
        block_.clear();
        return false;
      }
    }
    std::memcpy(to, block_.data() + (offset - start), length);
    return true;
  }
  return Fetch(offset, to, length);
}

}  // namespace offline
