// Looks values up in a version block (the VS_VERSION_INFO tree of a version
// resource) with VerQueryValueW's rules. The block is untrusted: every node is
// checked against its parent's extent before it is read.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/offline/formats/byte_view.h"
#include "platform/offline/formats/parsed.h"

namespace offline {

constexpr std::size_t kMaxVersionPathParts = 16;

// Why a query found no value.
enum class VersionQueryError {
  kBadRoot,           // the root node's header, key or extent does not hold together
  kPathTooLong,       // more than kMaxVersionPathParts parts
  kNoFixedInfo,       // the root's value is too short for VS_FIXEDFILEINFO
  kBadSignature,      // ... or does not start with its signature
  kNotFound,          // no child with that key (a child list ends at wLength 0 too)
  kBadNode,           // a node on the way runs past its parent or has no terminated key
  kNoValue,           // the node ends before its value
  kUnterminatedText,  // a text value with no NUL inside its node
  kValueOutsideNode,  // a binary value runs past its node
};

// A few words for a person ("no fixed file information", ...).
const char* Describe(VersionQueryError error);

struct VersionValue {
  std::uint64_t offset;       // of the value, from the start of the block
  std::uint32_t length;       // as VerQueryValueW reports it: wValueLength of the node
  std::uint64_t nodeEnd = 0;  // where the value's node ends
};

// Finds the value that path names in block (which spans the root's wLength):
//  - "" or "\" is the root's VS_FIXEDFILEINFO; its signature must be
//    0xFEEF04BD and all of it must lie inside the block;
//  - otherwise the path is split on "\" (empty parts skipped) and each part
//    names a child by its key, compared without regard to case (a-z) and with
//    exact length. A child list ends at the parent's wLength or at a child with
//    wLength 0; the next sibling starts at (wLength + 3) & ~3.
// A text value (wType not 0, or any value below StringFileInfo) is only handed out when a terminating NUL follows
// it inside its node, so a caller may read it as a zero-terminated string, and
// its length (in characters) is cut to what the node holds. A binary value
// must lie wholly inside its node.
Parsed<VersionValue, VersionQueryError> QueryVersionValue(ByteView block, std::u16string_view path);

// Copies a version resource into a caller's buffer of `size` bytes as
// GetFileVersionInfoW does, truncating when it is smaller. The root's wLength
// is the only extent a later query has, so when the copy is cut short it is
// lowered to what was copied. False (nothing copied) when the buffer cannot
// hold even a node header (6 bytes).
bool CopyVersionBlock(ByteView resource, std::uint8_t* out, std::size_t size);

// 16-bit version blocks (from NE files): keys and texts are ANSI, a node has
// no wType and wValueLength counts bytes. A block is one when its byte 4 is a
// key's first character rather than the low byte of a wType (0 or 1).
bool IsVersionBlock16(ByteView block);
// The value that path (ANSI bytes) names, with QueryVersionValue's rules for
// the path, the fixed file information and the child lists; the value's
// length is its wValueLength cut to its node.
Parsed<VersionValue, VersionQueryError> QueryVersionValue16(ByteView block, std::string_view path);
// The room a 16-bit block needs in the caller's buffer: the version library
// asks for (wLength - sizeof(VS_FIXEDFILEINFO)) * 4 bytes, the space past the
// block holding the UTF-16 copies of texts that VerQueryValueW hands out.
std::uint64_t VersionBlock16BufferSize(std::uint64_t resourceSize);
// Copies a 16-bit resource as GetFileVersionInfoW does. The root's wLength
// is lowered so that the block and the room past it lie inside `size`.
bool CopyVersionBlock16(ByteView resource, std::uint8_t* out, std::size_t size);

// What both copies share: copies what fits of `resource` into `out` and
// lowers the root's wLength to at most the bytes copied and `limit`. False
// when `size` is below `minSize`.
bool CopyClippedVersionBlock(ByteView resource, std::uint8_t* out, std::size_t size, std::size_t minSize,
                             std::uint64_t limit);

}  // namespace offline
