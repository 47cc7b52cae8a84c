// A folder's index read from bytes made here: the B-tree in order across its
// blocks, and every way a hostile index could mislead the walk refused with
// its reason (a block that is not where it says, a loop, a zero-length
// entry, a torn block, too many entries).
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/offline/disk/ntfs_index.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using offline::ntfs::IndexError;

void Put(Bytes& b, std::size_t at, std::uint64_t value, int size) {
  if (b.size() < at + size) b.resize(at + size);
  for (int i = 0; i < size; ++i) b[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// One index entry: a $FILE_NAME key for `name`, or the last entry when empty;
// `child` the block below it, if any.
Bytes Entry(const std::string& name, int child = -1, std::uint64_t ref = 100, int space = 1) {
  Bytes key;
  if (!name.empty()) {
    Put(key, 0x40, name.size(), 1);
    Put(key, 0x41, space, 1);
    for (std::size_t i = 0; i < name.size(); ++i) Put(key, 0x42 + 2 * i, static_cast<unsigned char>(name[i]), 2);
  }
  const std::size_t length = (16 + key.size() + (child >= 0 ? 8 : 0) + 7) / 8 * 8;
  Bytes entry(length, 0);
  Put(entry, 0, name.empty() ? 0 : ref, 8);
  Put(entry, 8, length, 2);
  Put(entry, 10, key.size(), 2);
  Put(entry, 12, (child >= 0 ? 1 : 0) | (name.empty() ? 2 : 0), 2);
  std::copy(key.begin(), key.end(), entry.begin() + 16);
  if (child >= 0) Put(entry, length - 8, static_cast<std::uint64_t>(child), 8);
  return entry;
}

// A node header at `header` followed, `first` bytes after it, by `entries`.
void Node(Bytes& b, std::size_t header, std::size_t first, const std::vector<Bytes>& entries) {
  std::size_t at = header + first;
  for (const Bytes& e : entries) {
    if (b.size() < at + e.size()) b.resize(at + e.size());
    std::copy(e.begin(), e.end(), b.begin() + at);
    at += e.size();
  }
  Put(b, header, first, 4);
  Put(b, header + 4, at - header, 4);
  Put(b, header + 8, at - header, 4);
}

Bytes Root(const std::vector<Bytes>& entries, bool children) {
  Bytes root;
  Put(root, 0, 0x30, 4);
  Put(root, 4, 1, 4);
  Put(root, 8, 4096, 4);
  Put(root, 12, 1, 1);
  Node(root, 0x10, 16, entries);
  Put(root, 0x10 + 12, children ? 1 : 0, 1);
  return root;
}

// An index block of 4096 bytes at `vcn` with its update sequence applied.
Bytes Block(std::uint64_t vcn, const std::vector<Bytes>& entries, bool torn = false) {
  Bytes block(4096, 0);
  Put(block, 0, 0x58444E49, 4);  // "INDX"
  Put(block, 4, 0x28, 2);
  Put(block, 6, 9, 2);
  Put(block, 0x10, vcn, 8);
  Node(block, 0x18, 0x28, entries);
  block.resize(4096);
  Put(block, 0x28, 0x0707, 2);  // the update sequence number
  for (int sector = 1; sector <= 8; ++sector) {
    const std::size_t end = sector * 512 - 2;
    Put(block, 0x28 + 2 * sector, block[end] | (block[end + 1] << 8), 2);
    Put(block, end, torn && sector == 3 ? 0x0606 : 0x0707, 2);
  }
  return block;
}

struct Walk {
  std::vector<std::string> names;
  std::optional<IndexError> error;
};

Walk Read(const Bytes& root, const std::map<std::uint64_t, Bytes>& blocks, std::size_t max = 100) {
  auto read = [&](std::uint64_t offset, std::size_t size) -> std::optional<Bytes> {
    auto it = blocks.find(offset / 4096);
    if (offset % 4096 || it == blocks.end()) return std::nullopt;
    return Bytes(it->second.begin(), it->second.begin() + static_cast<std::ptrdiff_t>(size));
  };
  auto read2 = offline::ntfs::ReadIndex(offline::ByteView(root.data(), root.size()), 4096, read, max);
  Walk walk;
  if (!read2) {
    walk.error = read2.reason();
    return walk;
  }
  for (const auto& e : *read2) walk.names.push_back(std::string(e.name.name.begin(), e.name.name.end()));
  return walk;
}

TEST(NtfsIndexTest, WalksTheTreeInOrderAcrossItsBlocks) {
  const Bytes root = Root({Entry("m", 0), Entry("", 1)}, true);
  const std::map<std::uint64_t, Bytes> blocks = {{0, Block(0, {Entry("a"), Entry("c"), Entry("")})},
                                                 {1, Block(1, {Entry("x"), Entry("X~1", -1, 100, 2), Entry("")})}};
  Walk walk = Read(root, blocks);
  EXPECT_FALSE(walk.error);
  EXPECT_EQ(walk.names, (std::vector<std::string>{"a", "c", "m", "x", "X~1"}));
  EXPECT_EQ(Read(Root({Entry("only"), Entry("")}, false), {}).names, std::vector<std::string>{"only"});
}

TEST(NtfsIndexTest, HostileIndexesAreRefusedWithTheirReason) {
  Bytes zeroLength = Root({Entry("a"), Entry("")}, false);
  Put(zeroLength, 0x20 + 8, 0, 2);
  struct Case {
    const char* name;
    Bytes root;
    std::map<std::uint64_t, Bytes> blocks;
    std::size_t max;
    IndexError error;
  } cases[] = {
      {"a zero-length entry", zeroLength, {}, 100, IndexError::kDamaged},
      {"a block that says it is another",
       Root({Entry("", 0)}, true),
       {{0, Block(5, {Entry("")})}},
       100,
       IndexError::kDamaged},
      {"a block below itself",
       Root({Entry("", 0)}, true),
       {{0, Block(0, {Entry("a", 0), Entry("")})}},
       100,
       IndexError::kDamaged},
      {"a torn block",
       Root({Entry("", 0)}, true),
       {{0, Block(0, {Entry("a"), Entry("")}, true)}},
       100,
       IndexError::kDamaged},
      {"a block that cannot be read", Root({Entry("", 3)}, true), {}, 100, IndexError::kUnreadable},
      {"more entries than allowed",
       Root({Entry("a"), Entry("b"), Entry("c"), Entry("")}, false),
       {},
       2,
       IndexError::kTooLarge},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Walk walk = Read(c.root, c.blocks, c.max);
    ASSERT_TRUE(walk.error);
    EXPECT_EQ(*walk.error, c.error);
  }
}

}  // namespace
