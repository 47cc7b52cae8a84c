// 16-bit version blocks, as a 16-bit (NE) file carries them.
#include <algorithm>

#include "platform/offline/formats/pe_layout.h"
#include "platform/offline/formats/version_block.h"

namespace offline {
namespace {

namespace vn = pe::version_node16;
namespace ffi = pe::fixed_file_info;

constexpr std::uint64_t kHeader = 4;  // wLength, wValueLength

std::uint64_t Align4(std::uint64_t v) { return (v + 3) & ~std::uint64_t{3}; }
char FoldAZ(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

struct Node {
  std::uint64_t end = 0;
  std::uint64_t keyStart = 0, keyLength = 0;
  std::uint64_t valueStart = 0, valueLength = 0;  // wValueLength, as stored
  std::uint64_t childrenStart = 0;
};

std::optional<Node> ReadNode(ByteView block, std::uint64_t start, std::uint64_t limit) {
  const auto wLength = block.u16At(start + vn::kLength);
  const auto wValueLength = block.u16At(start + vn::kValueLength);
  if (!wLength || !wValueLength || *wLength < kHeader + 1 || start + *wLength > limit) return std::nullopt;
  Node n;
  n.end = start + *wLength;
  n.keyStart = start + vn::kKey;
  std::uint64_t at = n.keyStart;
  for (;; ++at) {
    const auto c = at < n.end ? block.u8At(at) : std::nullopt;
    if (!c) return std::nullopt;  // key not terminated inside the node
    if (*c == 0) break;
  }
  n.keyLength = at - n.keyStart;
  n.valueStart = std::min(Align4(at + 1), n.end);
  n.valueLength = *wValueLength;
  n.childrenStart = std::min(Align4(n.valueStart + n.valueLength), n.end);
  return n;
}

bool KeyEquals(ByteView block, const Node& n, std::string_view part) {
  if (n.keyLength != part.size()) return false;
  for (std::size_t i = 0; i < part.size(); ++i) {
    const auto c = block.u8At(n.keyStart + i);
    if (!c || FoldAZ(static_cast<char>(*c)) != FoldAZ(part[i])) return false;
  }
  return true;
}

Parsed<Node, VersionQueryError> FindChild(ByteView block, const Node& parent, std::string_view key) {
  std::uint64_t at = parent.childrenStart;
  while (at + kHeader <= parent.end) {
    const auto wLength = block.u16At(at + vn::kLength);
    if (!wLength) return VersionQueryError::kBadNode;
    if (*wLength == 0) break;
    const auto child = ReadNode(block, at, parent.end);
    if (!child) return VersionQueryError::kBadNode;
    if (KeyEquals(block, *child, key)) return *child;
    at += Align4(*wLength);
  }
  return VersionQueryError::kNotFound;
}

}  // namespace

bool IsVersionBlock16(ByteView block) {
  const auto first = block.u8At(vn::kKey);
  return first && *first >= 0x20;
}

Parsed<VersionValue, VersionQueryError> QueryVersionValue16(ByteView block, std::string_view path) {
  auto node = ReadNode(block, 0, block.size());
  if (!node) return VersionQueryError::kBadRoot;
  std::size_t parts = 0;
  std::size_t pos = 0;
  while (pos < path.size()) {
    const std::size_t next = std::min(path.find('\\', pos), path.size());
    if (next > pos) {
      if (++parts > kMaxVersionPathParts) return VersionQueryError::kPathTooLong;
      auto child = FindChild(block, *node, path.substr(pos, next - pos));
      if (!child) return child.reason();
      node = *child;
    }
    pos = next + 1;
  }
  if (parts == 0) {
    if (node->end - node->valueStart < ffi::kSize || node->valueLength < ffi::kSize) {
      return VersionQueryError::kNoFixedInfo;
    }
    if (block.u32At(node->valueStart + ffi::kSignature) != std::optional<std::uint32_t>(ffi::kSignatureValue)) {
      return VersionQueryError::kBadSignature;
    }
  }
  if (node->valueStart >= node->end) return VersionQueryError::kNoValue;
  const std::uint64_t length = std::min(node->valueLength, node->end - node->valueStart);
  return VersionValue{node->valueStart, static_cast<std::uint32_t>(length), node->end};
}

std::uint64_t VersionBlock16BufferSize(std::uint64_t resourceSize) {
  return resourceSize > ffi::kSize ? (resourceSize - ffi::kSize) * 4 : 0;
}

bool CopyVersionBlock16(ByteView resource, std::uint8_t* out, std::size_t size) {
  return CopyClippedVersionBlock(resource, out, size, kHeader + ffi::kSize, size / 4 + ffi::kSize);
}

}  // namespace offline
