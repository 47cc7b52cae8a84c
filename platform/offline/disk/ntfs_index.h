// A folder's index ($I30) read in order: the B-tree of its names walked from
// the root node through the index blocks, as NTFS hands the entries to
// FindFirstFileW. Only the live tree is read, never the slack where deleted
// names linger. Each block is read once at most, the depth is limited, and a
// zero-length entry is damage, never a loop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "platform/offline/disk/ntfs_records.h"
#include "platform/offline/formats/byte_view.h"
#include "platform/offline/formats/parsed.h"

namespace offline::ntfs {

struct IndexEntry {
  std::uint64_t ref = 0;  // the file's reference
  FileName name;          // one of its names; a long name and its 8.3 name are two entries
};

enum class IndexError {
  kDamaged,     // a node or an entry that does not hold together
  kUnreadable,  // an index block that cannot be read
  kTooLarge,    // more entries than the limit
};
const char* Describe(IndexError error);

// Reads `size` bytes of the folder's index allocation at `offset`.
using IndexBlockReader =
    std::function<std::optional<std::vector<std::uint8_t>>(std::uint64_t offset, std::size_t size)>;

// The entries of the folder whose $INDEX_ROOT holds `root`, in index order.
Parsed<std::vector<IndexEntry>, IndexError> ReadIndex(ByteView root, std::uint32_t clusterSize,
                                                      const IndexBlockReader& readBlock, std::size_t maxEntries);

}  // namespace offline::ntfs
