// Byte layouts of the parts of a PE image the version reader walks, and of
// the version block inside its version resource: offsets from the start of
// each structure, all little-endian. The reader, the fixture builder and the
// tests take their offsets from here.
#pragma once

#include <cstdint>

namespace offline {
namespace pe {

// DOS header (IMAGE_DOS_HEADER).
constexpr std::uint16_t kDosSignature = 0x5A4D;      // "MZ"
constexpr std::uint64_t kDosNewHeaderOffset = 0x3C;  // e_lfanew: file offset of the NT signature
constexpr std::uint64_t kDosHeaderSize = 0x40;

// NT signature at e_lfanew, then the file header.
constexpr std::uint32_t kNtSignature = 0x00004550;  // "PE\0\0"
constexpr std::uint64_t kNtSignatureSize = 4;

// File header (IMAGE_FILE_HEADER).
namespace file_header {
constexpr std::uint64_t kMachine = 0;
constexpr std::uint64_t kNumberOfSections = 2;
constexpr std::uint64_t kSizeOfOptionalHeader = 16;
constexpr std::uint64_t kCharacteristics = 18;
constexpr std::uint64_t kSize = 20;
constexpr std::uint16_t kMachineI386 = 0x014C;
constexpr std::uint16_t kMachineAmd64 = 0x8664;
}  // namespace file_header

// Optional header (IMAGE_OPTIONAL_HEADER32 / 64); the two differ from
// BaseOfData on, where PE32+ has a 64-bit ImageBase instead.
namespace optional_header {
constexpr std::uint16_t kMagicPe32 = 0x10B;
constexpr std::uint16_t kMagicPe32Plus = 0x20B;
constexpr std::uint64_t kMagic = 0;
constexpr std::uint64_t kMajorLinkerVersion = 2;
constexpr std::uint64_t kSizeOfInitializedData = 8;
constexpr std::uint64_t kBaseOfCode = 20;
constexpr std::uint64_t kBaseOfData32 = 24;  // PE32 only
constexpr std::uint64_t kImageBase32 = 28;
constexpr std::uint64_t kImageBase64 = 24;
constexpr std::uint64_t kSectionAlignment = 32;
constexpr std::uint64_t kFileAlignment = 36;
constexpr std::uint64_t kMajorOperatingSystemVersion = 40;
constexpr std::uint64_t kMinorOperatingSystemVersion = 42;
constexpr std::uint64_t kMajorSubsystemVersion = 48;
constexpr std::uint64_t kMinorSubsystemVersion = 50;
constexpr std::uint64_t kSizeOfImage = 56;
constexpr std::uint64_t kSizeOfHeaders = 60;
constexpr std::uint64_t kSubsystem = 68;
constexpr std::uint64_t kSizeOfStackReserve = 72;  // then stack commit, heap reserve, heap commit
constexpr std::uint64_t kNumberOfRvaAndSizes32 = 92;
constexpr std::uint64_t kNumberOfRvaAndSizes64 = 108;
constexpr std::uint64_t kSize32 = 224;  // with all sixteen data directories
constexpr std::uint64_t kSize64 = 240;
constexpr std::uint32_t kDataDirectoryCount = 16;

// The data directories (IMAGE_DATA_DIRECTORY) follow NumberOfRvaAndSizes.
constexpr std::uint64_t kDirectoryVirtualAddress = 0;
constexpr std::uint64_t kDirectorySize = 4;
constexpr std::uint64_t kDirectoryEntrySize = 8;
constexpr std::uint32_t kResourceDirectoryIndex = 2;

constexpr std::uint64_t NumberOfRvaAndSizes(bool pe32Plus) {
  return pe32Plus ? kNumberOfRvaAndSizes64 : kNumberOfRvaAndSizes32;
}
constexpr std::uint64_t DataDirectory(std::uint64_t numberOfRvaAndSizes, std::uint32_t index) {
  return numberOfRvaAndSizes + sizeof(std::uint32_t) + std::uint64_t{index} * kDirectoryEntrySize;
}
}  // namespace optional_header

// Section table entry (IMAGE_SECTION_HEADER), right after the optional header.
namespace section_header {
constexpr std::uint64_t kName = 0;
constexpr std::uint64_t kNameSize = 8;
constexpr std::uint64_t kVirtualSize = 8;
constexpr std::uint64_t kVirtualAddress = 12;
constexpr std::uint64_t kSizeOfRawData = 16;
constexpr std::uint64_t kPointerToRawData = 20;
constexpr std::uint64_t kCharacteristics = 36;
constexpr std::uint64_t kSize = 40;
}  // namespace section_header

// Resource directory (IMAGE_RESOURCE_DIRECTORY and its entries), at offsets
// from the start of the resource data.
namespace resource {
constexpr std::uint64_t kNumberOfNamedEntries = 12;
constexpr std::uint64_t kNumberOfIdEntries = 14;
constexpr std::uint64_t kDirectorySize = 16;  // the entries follow
constexpr std::uint64_t kEntryName = 0;       // an id, or kNameIsString | offset of a name
constexpr std::uint64_t kEntryTarget = 4;     // kSubdirectory | directory, or a data entry
constexpr std::uint64_t kEntrySize = 8;
constexpr std::uint32_t kNameIsString = 0x80000000u;
constexpr std::uint32_t kSubdirectory = 0x80000000u;
// IMAGE_RESOURCE_DATA_ENTRY.
constexpr std::uint64_t kDataRva = 0;
constexpr std::uint64_t kDataSize = 4;
constexpr std::uint64_t kDataCodePage = 8;
constexpr std::uint64_t kDataEntrySize = 16;

constexpr std::uint16_t kTypeVersion = 16;   // RT_VERSION
constexpr std::uint16_t kVersionInfoId = 1;  // VS_VERSION_INFO

constexpr std::uint64_t Entry(std::uint64_t directory, std::uint32_t index) {
  return directory + kDirectorySize + std::uint64_t{index} * kEntrySize;
}
}  // namespace resource

// A node of the version block: header, zero-terminated UTF-16 key, padding
// to 4, value, padding to 4, children (each starting 4-aligned).
namespace version_node {
constexpr std::uint64_t kLength = 0;       // wLength: the whole node with its children
constexpr std::uint64_t kValueLength = 2;  // wValueLength: in characters for text, bytes for binary
constexpr std::uint64_t kType = 4;         // wType: 1 text, 0 binary
constexpr std::uint64_t kHeaderSize = 6;
constexpr std::uint16_t kTypeBinary = 0;
constexpr std::uint16_t kTypeText = 1;
}  // namespace version_node

// VS_FIXEDFILEINFO, the value of the root node VS_VERSION_INFO.
namespace fixed_file_info {
constexpr std::uint32_t kSignatureValue = 0xFEEF04BD;
constexpr std::uint64_t kSignature = 0;
constexpr std::uint64_t kStrucVersion = 4;
constexpr std::uint64_t kFileVersionMS = 8;
constexpr std::uint64_t kFileVersionLS = 12;
constexpr std::uint64_t kProductVersionMS = 16;
constexpr std::uint64_t kProductVersionLS = 20;
constexpr std::uint64_t kFileFlagsMask = 24;
constexpr std::uint64_t kFileFlags = 28;
constexpr std::uint64_t kFileOS = 32;
constexpr std::uint64_t kFileType = 36;
constexpr std::uint64_t kFileSubtype = 40;
constexpr std::uint64_t kFileDateMS = 44;
constexpr std::uint64_t kFileDateLS = 48;
constexpr std::uint64_t kSize = 52;
}  // namespace fixed_file_info

// A 16-bit executable (NE): its header at e_lfanew, and the resource table
// that the header points to (offsets from the NE header): a WORD alignment
// shift, then per type a TYPEINFO followed by its NAMEINFOs, until a type id
// of 0. Offsets and lengths of resources are in units of 1 << shift.
namespace ne {
constexpr std::uint16_t kSignature = 0x454E;  // "NE"
constexpr std::uint64_t kResourceTable = 0x24;
constexpr std::uint64_t kResidentNameTable = 0x26;  // where the resource table ends
constexpr std::uint64_t kHeaderSize = 0x40;
constexpr std::uint64_t kTypeId = 0;
constexpr std::uint64_t kTypeCount = 2;
constexpr std::uint64_t kTypeInfoSize = 8;
constexpr std::uint64_t kNameOffset = 0;
constexpr std::uint64_t kNameLength = 2;
constexpr std::uint64_t kNameId = 6;
constexpr std::uint64_t kNameInfoSize = 12;
constexpr std::uint16_t kIntegerId = 0x8000;  // an id, not the offset of a name
}  // namespace ne

// A node of a 16-bit version block: wLength, wValueLength (in bytes), a
// zero-terminated ANSI key, padding to 4, value, padding to 4, children.
namespace version_node16 {
constexpr std::uint64_t kLength = 0;
constexpr std::uint64_t kValueLength = 2;
constexpr std::uint64_t kKey = 4;
}  // namespace version_node16

}  // namespace pe
}  // namespace offline
