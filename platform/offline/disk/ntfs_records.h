// The NTFS structures the volume reader reads itself, each from untrusted
// bytes: a file's standard information and names, a reparse point's target,
// the volume's upper-case table and its label. The library reads the file
// records and streams; these give their contents meaning.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/offline/formats/byte_view.h"

namespace offline::ntfs {

// Well-known file records.
constexpr std::uint64_t kVolumeRecord = 3;
constexpr std::uint64_t kRootRecord = 5;
constexpr std::uint64_t kUpCaseRecord = 10;
// Records below this are the file system's own ($MFT, $Bitmap, ...): no
// listing shows them and no path reaches them.
constexpr std::uint64_t kFirstUserRecord = 16;

// Attribute types.
constexpr std::uint32_t kStandardInformation = 0x10;
constexpr std::uint32_t kFileName = 0x30;
constexpr std::uint32_t kVolumeName = 0x60;
constexpr std::uint32_t kData = 0x80;
constexpr std::uint32_t kIndexRoot = 0x90;
constexpr std::uint32_t kIndexAllocation = 0xA0;
constexpr std::uint32_t kReparsePoint = 0xC0;

// File attribute bits as NTFS keeps them; the low ones are FILE_ATTRIBUTE_*.
constexpr std::uint32_t kAttributeReadOnly = 0x1;
constexpr std::uint32_t kAttributeDirectory = 0x10;
constexpr std::uint32_t kAttributeReparsePoint = 0x400;
constexpr std::uint32_t kAttributeIndexPresent = 0x10000000;  // in $FILE_NAME: the file is a folder

// Reparse tags that make a name lead elsewhere.
constexpr std::uint32_t kTagMountPoint = 0xA0000003;  // a junction
constexpr std::uint32_t kTagSymlink = 0xA000000C;

// A file reference: the record number in the low 48 bits, the record's
// sequence number in the high 16.
constexpr std::uint64_t RecordOf(std::uint64_t ref) { return ref & 0xFFFFFFFFFFFFull; }
constexpr std::uint16_t SequenceOf(std::uint64_t ref) { return static_cast<std::uint16_t>(ref >> 48); }

// Times as Windows keeps them: 100-ns ticks since 1601.
struct Times {
  std::uint64_t creation = 0;
  std::uint64_t lastWrite = 0;
  std::uint64_t change = 0;
  std::uint64_t lastAccess = 0;
};

enum class Namespace : std::uint8_t { kPosix = 0, kWin32 = 1, kDos = 2, kWin32AndDos = 3 };

// $FILE_NAME, in a file record or as the key of a folder's index entry
// (there its sizes, times and attributes are the copy Windows lists).
struct FileName {
  std::uint64_t parent = 0;
  Times times;
  std::uint64_t size = 0;
  std::uint32_t attributes = 0;
  std::uint32_t reparseTag = 0;  // when the attributes have kAttributeReparsePoint
  Namespace space = Namespace::kPosix;
  std::u16string name;
};
std::optional<FileName> ParseFileName(ByteView bytes);

// $STANDARD_INFORMATION: the file's own times and attributes.
struct StandardInformation {
  Times times;
  std::uint32_t attributes = 0;
};
std::optional<StandardInformation> ParseStandardInformation(ByteView bytes);

// $REPARSE_POINT: its tag and, for a junction or a symbolic link, where it
// leads ("\??\C:\WINDOWS", or a path relative to the link's folder).
struct ReparsePoint {
  std::uint32_t tag = 0;
  std::u16string target;
  bool relative = false;
};
std::optional<ReparsePoint> ParseReparsePoint(ByteView bytes);

// $UpCase: the upper-case form of each UTF-16 unit (65536 of them); units the
// table does not reach map to themselves.
std::vector<char16_t> ParseUpCase(ByteView bytes);

// $VOLUME_NAME: the label.
std::u16string ParseVolumeName(ByteView bytes);

// `name` through the table.
std::u16string UpperCase(const std::vector<char16_t>& table, std::u16string_view name);

}  // namespace offline::ntfs
