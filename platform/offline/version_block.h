// Looks values up in a version block (the VS_VERSION_INFO tree of a version
// resource) with VerQueryValueW's rules. The block is untrusted: every node is
// checked against its parent's extent before it is read.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/offline/byte_view.h"

namespace offline {

constexpr std::uint32_t kFixedFileInfoSignature = 0xFEEF04BD;
constexpr std::uint32_t kFixedFileInfoSize = 52;
constexpr std::size_t kMaxVersionPathParts = 16;

struct VersionValue {
  std::uint64_t offset;  // of the value, from the start of the block
  std::uint32_t length;  // as VerQueryValueW reports it: wValueLength of the node
};

// Finds the value that path names in block (which spans the root's wLength):
//  - "" or "\" is the root's VS_FIXEDFILEINFO; its signature must be
//    0xFEEF04BD and all 52 bytes must lie inside the block;
//  - otherwise the path is split on "\" (empty parts skipped) and each part
//    names a child by its key, compared without regard to case (a-z) and with
//    exact length. A child list ends at the parent's wLength or at a child with
//    wLength 0; the next sibling starts at (wLength + 3) & ~3.
// A text value (wType not 0, or any value below StringFileInfo) is only handed out when a terminating NUL follows
// it inside its node, so a caller may read it as a zero-terminated string, and
// its length (in characters) is cut to what the node holds. A binary value
// must lie wholly inside its node.
std::optional<VersionValue> QueryVersionValue(ByteView block, std::u16string_view path);

// Copies a version resource into a caller's buffer of `size` bytes as
// GetFileVersionInfoW does, truncating when it is smaller. The root's wLength
// is the only extent a later query has, so when the copy is cut short it is
// lowered to what was copied. False (nothing copied) when the buffer cannot
// hold even a node header (6 bytes).
bool CopyVersionBlock(ByteView resource, std::uint8_t* out, std::size_t size);

}  // namespace offline
