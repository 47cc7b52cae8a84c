#include "platform/offline/disk/ntfs_index.h"

#include <set>

namespace offline::ntfs {
namespace {

constexpr std::size_t kMaxDepth = 32;        // a B-tree of names is a handful of levels deep
constexpr std::uint64_t kFixupStride = 512;  // each 512 bytes of a block end in the update sequence number
constexpr std::uint32_t kMaxBlockSize = 64 * 1024;
constexpr std::uint16_t kEntryHasChild = 1;
constexpr std::uint16_t kEntryLast = 2;

std::optional<std::uint64_t> U64At(ByteView bytes, std::uint64_t offset) {
  std::optional<std::uint32_t> low = bytes.u32At(offset);
  std::optional<std::uint32_t> high = bytes.u32At(offset + 4);
  if (!low || !high) return std::nullopt;
  return (static_cast<std::uint64_t>(*high) << 32) | *low;
}

// Puts back the two bytes the update sequence array kept for each stride of
// the block, checking that each stride ended in the sequence number (a block
// written halfway does not).
bool ApplyFixups(std::vector<std::uint8_t>& block) {
  ByteView view(block.data(), block.size());
  std::optional<std::uint16_t> offset = view.u16At(4);
  std::optional<std::uint16_t> count = view.u16At(6);
  if (!offset || !count || *count < 2 || (*count - 1) * kFixupStride > block.size()) return false;
  std::optional<std::uint16_t> number = view.u16At(*offset);
  if (!number || !view.contains(*offset, 2ull * *count)) return false;
  for (std::uint64_t i = 1; i < *count; ++i) {
    const std::uint64_t end = i * kFixupStride - 2;
    if (view.u16At(end) != number) return false;
    block[end] = block[*offset + 2 * i];
    block[end + 1] = block[*offset + 2 * i + 1];
  }
  return true;
}

class Walker {
 public:
  Walker(std::uint32_t blockSize, std::uint64_t vcnSize, const IndexBlockReader& readBlock, std::size_t maxEntries)
      : blockSize_(blockSize), vcnSize_(vcnSize), readBlock_(readBlock), maxEntries_(maxEntries) {}

  // The entries of the node whose header starts at `header` in `bytes`,
  // children first, in order.
  std::optional<IndexError> Node(ByteView bytes, std::uint64_t header, std::size_t depth) {
    std::optional<std::uint32_t> first = bytes.u32At(header);
    std::optional<std::uint32_t> used = bytes.u32At(header + 4);
    if (!first || !used || !bytes.contains(header, *used) || *first > *used) return IndexError::kDamaged;
    const std::uint64_t end = header + *used;
    for (std::uint64_t at = header + *first;;) {
      std::optional<std::uint64_t> ref = U64At(bytes, at);
      std::optional<std::uint16_t> length = bytes.u16At(at + 8);
      std::optional<std::uint16_t> keyLength = bytes.u16At(at + 10);
      std::optional<std::uint16_t> flags = bytes.u16At(at + 12);
      if (!ref || !length || !keyLength || !flags || *length < 16 || at + *length > end) return IndexError::kDamaged;
      if (*flags & kEntryHasChild) {
        std::optional<std::uint64_t> vcn = *length >= 24 ? U64At(bytes, at + *length - 8) : std::nullopt;
        if (!vcn) return IndexError::kDamaged;
        if (std::optional<IndexError> failed = Child(*vcn, depth + 1)) return failed;
      }
      if (*flags & kEntryLast) return std::nullopt;
      std::optional<ByteView> key = bytes.sub(at + 16, *keyLength);
      std::optional<FileName> name = key ? ParseFileName(*key) : std::nullopt;
      if (!name || 16u + *keyLength > *length) return IndexError::kDamaged;
      if (entries_.size() >= maxEntries_) return IndexError::kTooLarge;
      entries_.push_back({*ref, std::move(*name)});
      at += *length;
    }
  }

  std::vector<IndexEntry>& entries() { return entries_; }

 private:
  std::optional<IndexError> Child(std::uint64_t vcn, std::size_t depth) {
    if (depth > kMaxDepth || !visited_.insert(vcn).second || vcn > UINT64_MAX / vcnSize_) return IndexError::kDamaged;
    std::optional<std::vector<std::uint8_t>> block = readBlock_(vcn * vcnSize_, blockSize_);
    if (!block || block->size() != blockSize_) return IndexError::kUnreadable;
    ByteView view(block->data(), block->size());
    if (view.u32At(0) != 0x58444E49u /* "INDX" */ || U64At(view, 0x10) != vcn || !ApplyFixups(*block))
      return IndexError::kDamaged;
    return Node(ByteView(block->data(), block->size()), 0x18, depth);
  }

  std::uint32_t blockSize_;
  std::uint64_t vcnSize_;
  const IndexBlockReader& readBlock_;
  std::size_t maxEntries_;
  std::set<std::uint64_t> visited_;
  std::vector<IndexEntry> entries_;
};

}  // namespace

const char* Describe(IndexError error) {
  switch (error) {
    case IndexError::kDamaged:
      return "its index is damaged";
    case IndexError::kUnreadable:
      return "a block of its index cannot be read";
    case IndexError::kTooLarge:
      return "it has too many entries";
  }
  return "its index cannot be read";
}

Parsed<std::vector<IndexEntry>, IndexError> ReadIndex(ByteView root, std::uint32_t clusterSize,
                                                      const IndexBlockReader& readBlock, std::size_t maxEntries) {
  // $INDEX_ROOT: indexed attribute type, collation rule, index block size,
  // clusters per block, then the root node's header at 0x10.
  std::optional<std::uint32_t> type = root.u32At(0);
  std::optional<std::uint32_t> blockSize = root.u32At(8);
  if (type != kFileName || !blockSize || clusterSize == 0) return IndexError::kDamaged;
  const bool sane = *blockSize >= kFixupStride && *blockSize <= kMaxBlockSize && (*blockSize & (*blockSize - 1)) == 0;
  // Blocks smaller than a cluster are numbered in 512-byte units.
  Walker walker(sane ? *blockSize : 0, *blockSize >= clusterSize ? clusterSize : kFixupStride, readBlock, maxEntries);
  if (!sane) {
    // Without a usable block size only a root without children can be read.
    std::optional<std::uint8_t> flags = root.u8At(0x10 + 12);
    if (!flags || (*flags & 1)) return IndexError::kDamaged;
  }
  if (std::optional<IndexError> failed = walker.Node(root, 0x10, 0)) return *failed;
  return std::move(walker.entries());
}

}  // namespace offline::ntfs
