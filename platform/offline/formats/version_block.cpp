#include "platform/offline/formats/version_block.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/offline/formats/pe_layout.h"

namespace offline {
namespace {

namespace vn = pe::version_node;
namespace ffi = pe::fixed_file_info;

std::uint64_t Align4(std::uint64_t v) { return (v + 3) & ~std::uint64_t{3}; }

char16_t FoldAZ(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c; }

// One node of the tree, with all its offsets checked against its extent.
struct Node {
  std::uint64_t start = 0;
  std::uint64_t end = 0;  // start + wLength
  std::uint64_t keyStart = 0;
  std::uint64_t keyChars = 0;     // without the NUL
  std::uint16_t valueLength = 0;  // wValueLength
  std::uint16_t type = 0;         // wType: 1 text, 0 binary
  std::uint64_t valueStart = 0;
  std::uint64_t valueBytes = 0;  // clipped to the node
  std::uint64_t childrenStart = 0;
};

// Parses the node at start, which must end at or before limit.
std::optional<Node> ReadNode(ByteView block, std::uint64_t start, std::uint64_t limit) {
  const auto wLength = block.u16At(start + vn::kLength);
  const auto wValueLength = block.u16At(start + vn::kValueLength);
  const auto wType = block.u16At(start + vn::kType);
  if (!wLength || !wValueLength || !wType) return std::nullopt;
  if (*wLength < vn::kHeaderSize || start + *wLength > limit || !block.contains(start, *wLength)) return std::nullopt;
  Node n;
  n.start = start;
  n.end = start + *wLength;
  n.valueLength = *wValueLength;
  n.type = *wType;
  n.keyStart = start + vn::kHeaderSize;
  std::uint64_t at = n.keyStart;
  for (;;) {
    if (at + 2 > n.end) return std::nullopt;  // key not terminated inside the node
    const auto c = block.u16At(at);
    if (!c) return std::nullopt;
    if (*c == 0) break;
    at += 2;
  }
  n.keyChars = (at - n.keyStart) / 2;
  n.valueStart = std::min(Align4(at + 2), n.end);
  const std::uint64_t declared = std::uint64_t{n.valueLength} * (n.type != vn::kTypeBinary ? 2 : 1);
  n.valueBytes = std::min(declared, n.end - n.valueStart);
  n.childrenStart = std::min(Align4(n.valueStart + declared), n.end);
  return n;
}

bool KeyEquals(ByteView block, const Node& n, std::u16string_view part) {
  if (n.keyChars != part.size()) return false;
  for (std::size_t i = 0; i < part.size(); ++i) {
    const auto c = block.u16At(n.keyStart + 2 * std::uint64_t{i});
    if (!c || FoldAZ(static_cast<char16_t>(*c)) != FoldAZ(part[i])) return false;
  }
  return true;
}

Parsed<Node, VersionQueryError> FindChild(ByteView block, const Node& parent, std::u16string_view key) {
  std::uint64_t at = parent.childrenStart;
  while (at + vn::kHeaderSize <= parent.end) {
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

std::vector<std::u16string_view> SplitPath(std::u16string_view path) {
  std::vector<std::u16string_view> parts;
  std::size_t pos = 0;
  while (pos <= path.size()) {
    const std::size_t next = path.find(u'\\', pos);
    const std::size_t stop = next == std::u16string_view::npos ? path.size() : next;
    if (stop > pos) parts.push_back(path.substr(pos, stop - pos));
    if (next == std::u16string_view::npos) break;
    pos = next + 1;
  }
  return parts;
}

bool HasTerminator(ByteView block, std::uint64_t from, std::uint64_t end) {
  for (std::uint64_t at = from; at + 2 <= end; at += 2) {
    const auto c = block.u16At(at);
    if (!c) return false;
    if (*c == 0) return true;
  }
  return false;
}

}  // namespace

const char* Describe(VersionQueryError error) {
  switch (error) {
    case VersionQueryError::kBadRoot:
      return "damaged version block";
    case VersionQueryError::kPathTooLong:
      return "query path too long";
    case VersionQueryError::kNoFixedInfo:
      return "no fixed file information";
    case VersionQueryError::kBadSignature:
      return "fixed file information without its signature";
    case VersionQueryError::kNotFound:
      return "no such value";
    case VersionQueryError::kBadNode:
      return "damaged version block entry";
    case VersionQueryError::kNoValue:
      return "entry without a value";
    case VersionQueryError::kUnterminatedText:
      return "unterminated text value";
    case VersionQueryError::kValueOutsideNode:
      return "value runs past its entry";
  }
  return "unreadable";
}

Parsed<VersionValue, VersionQueryError> QueryVersionValue(ByteView block, std::u16string_view path) {
  auto node = ReadNode(block, 0, block.size());
  if (!node) return VersionQueryError::kBadRoot;
  const auto parts = SplitPath(path);
  if (parts.size() > kMaxVersionPathParts) return VersionQueryError::kPathTooLong;
  if (parts.empty()) {
    if (node->valueBytes < ffi::kSize) return VersionQueryError::kNoFixedInfo;
    if (block.u32At(node->valueStart + ffi::kSignature) != std::optional<std::uint32_t>(ffi::kSignatureValue)) {
      return VersionQueryError::kBadSignature;
    }
    return VersionValue{node->valueStart, node->valueLength};
  }
  for (std::u16string_view part : parts) {
    auto child = FindChild(block, *node, part);
    if (!child) return child.reason();
    node = *child;
  }
  if (node->valueStart >= node->end) return VersionQueryError::kNoValue;
  // Values below StringFileInfo are read as zero-terminated text whatever
  // their wType claims.
  bool isText = node->type != vn::kTypeBinary;
  if (parts.size() > 1 && parts[0].size() == 14) {
    isText = isText || std::equal(parts[0].begin(), parts[0].end(), u"StringFileInfo",
                                  [](char16_t a, char16_t b) { return FoldAZ(a) == FoldAZ(b); });
  }
  if (isText) {
    // Text: a NUL must follow inside the node, and the length (in characters)
    // handed out never reaches past the node.
    if (!HasTerminator(block, node->valueStart, node->end)) return VersionQueryError::kUnterminatedText;
    const std::uint64_t room = (node->end - node->valueStart) / 2;
    return VersionValue{node->valueStart, static_cast<std::uint32_t>(std::min<std::uint64_t>(node->valueLength, room))};
  }
  if (node->valueBytes < std::uint64_t{node->valueLength}) return VersionQueryError::kValueOutsideNode;
  return VersionValue{node->valueStart, node->valueLength};
}

bool CopyClippedVersionBlock(ByteView resource, std::uint8_t* out, std::size_t size, std::size_t minSize,
                             std::uint64_t limit) {
  if (!out || size < minSize || resource.size() < 2) return false;
  const std::size_t copied = std::min(size, resource.size());
  if (!resource.copyOut(0, out, copied)) return false;
  const std::uint64_t fits = std::min<std::uint64_t>(copied, limit);
  const std::uint16_t rootLength = resource.u16At(vn::kLength).value_or(0);
  if (rootLength > fits) {
    const auto clipped = static_cast<std::uint16_t>(std::min<std::uint64_t>(fits, 0xFFFF));
    out[vn::kLength] = static_cast<std::uint8_t>(clipped & 0xFF);
    out[vn::kLength + 1] = static_cast<std::uint8_t>(clipped >> 8);
  }
  return true;
}

bool CopyVersionBlock(ByteView resource, std::uint8_t* out, std::size_t size) {
  return CopyClippedVersionBlock(resource, out, size, vn::kHeaderSize, UINT64_MAX);
}

}  // namespace offline
