// Finds the version resource (RT_VERSION, name id 1) in the bytes of a PE32 or
// PE32+ file without loading it: headers, section table and resource
// directory are all read through bounds-checked views, and anything that does
// not hold together is refused with its reason.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/offline/formats/byte_source.h"
#include "platform/offline/formats/byte_view.h"
#include "platform/offline/formats/parsed.h"

namespace offline {

// The language whose version resource an offline machine prefers when a file
// holds several. Windows takes the user's and the system's default UI
// language; an offline image is inspected as a US-English system (0x0409).
constexpr std::uint16_t kOfflineDefaultLanguage = 0x0409;

// Limits on what a file may ask of the reader.
constexpr std::uint32_t kMaxVersionResourceSize = 64 * 1024;  // a version block's wLength is 16-bit
constexpr std::uint32_t kMaxResourceDirEntries = 4096;        // per directory
constexpr std::uint32_t kMaxSections = 96;                    // the loader's own limit on older systems

// Which of a name's language entries is taken, as an index into langs (in
// directory order): neutral (0), then preferred, its neutral sublanguage, its
// default sublanguage, then US English (0x0409), else the first entry.
// Nothing when langs is empty.
std::optional<std::size_t> ChooseLanguage(const std::vector<std::uint16_t>& langs, std::uint16_t preferred);

// Why a file yields no version resource. The reasons up to kBadResourceDirectory
// are found before the resource directory could be read; the later ones
// inside a readable resource directory.
enum class PeError {
  kNotPe,                 // no "MZ" at the start, or neither "PE\0\0" nor "NE" where e_lfanew points
  kTruncated,             // a header, the section table or a section's raw data runs past the end
  kUnknownFormat,         // the optional header is neither PE32 nor PE32+
  kBadSectionTable,       // no sections, or more than kMaxSections
  kNoResources,           // no resource directory in the data directories
  kBadResourceDirectory,  // the resource directory lies outside every section or claims too many entries
  kNoVersionResource,     // no RT_VERSION entry with name id 1 and a language under it
  kBadVersionEntry,       // the directories below RT_VERSION or the data entry are damaged
  kBadVersionSize,        // the resource is empty or larger than kMaxVersionResourceSize
};

// A few words for a person ("not a PE file", "truncated", ...).
const char* Describe(PeError error);
// True when the reason was met inside a readable resource directory: Windows
// then reports a missing resource type, otherwise missing resource data.
bool HasResourceDirectory(PeError error);

// A copy of the file's version resource. In a PE file, the one in the
// language ChooseLanguage picks; bytes of it that lie past its section's raw
// data but inside the virtual size read as zero, as in a loaded image, and,
// as for the loader, every section's raw data must lie wholly inside the
// file. In a 16-bit (NE) file, the resource of type RT_VERSION and id 1 as
// its resource table sizes it: a 16-bit version block (ANSI keys and texts,
// no wType), which the version library hands out as it is.
struct VersionResource {
  std::vector<std::uint8_t> bytes;
  bool sixteenBit = false;
};
// Only the headers, the tables on the way and the resource are read.
Parsed<VersionResource, PeError> FindVersionResource(const ByteSource& file,
                                                     std::uint16_t preferredLanguage = kOfflineDefaultLanguage);
Parsed<VersionResource, PeError> FindVersionResource(ByteView file,
                                                     std::uint16_t preferredLanguage = kOfflineDefaultLanguage);

// The version resource of a 16-bit executable whose NE header is at `neHeader`.
// The resource table is read as it stands (at most 64 KB, its end where the
// resident-name table starts), each block once.
Parsed<VersionResource, PeError> FindNeVersionResource(const ByteSource& file, std::uint64_t neHeader);

}  // namespace offline
