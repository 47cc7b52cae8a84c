// Lays out a minimal DLL-shaped image: DOS header, PE headers, one section
// table entry, and a .rsrc section at RVA 0x1000 that holds
// RT_VERSION / 1 / <language> -> VS_VERSION_INFO. Nothing else (no code, no
// imports): enough for the loader to map it as a data file and for a parser
// to find the version resource.
#include "tools/lib/pe_builder.h"

#include <cstdio>

namespace tools {
namespace {

constexpr std::uint32_t kFileAlignment = 0x200;
constexpr std::uint32_t kSectionAlignment = 0x1000;
constexpr std::uint32_t kRsrcRva = 0x1000;
constexpr std::uint32_t kPeOffset = 0x80;

using Bytes = std::vector<std::uint8_t>;

std::uint32_t AlignUp(std::uint32_t v, std::uint32_t a) { return (v + a - 1) / a * a; }

void Put16(Bytes& b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  Put16(b, at, static_cast<std::uint16_t>(v));
  Put16(b, at + 2, static_cast<std::uint16_t>(v >> 16));
}
void Put64(Bytes& b, std::size_t at, std::uint64_t v) {
  Put32(b, at, static_cast<std::uint32_t>(v));
  Put32(b, at + 4, static_cast<std::uint32_t>(v >> 32));
}
void Append16(Bytes& b, std::uint16_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Append32(Bytes& b, std::uint32_t v) {
  Append16(b, static_cast<std::uint16_t>(v));
  Append16(b, static_cast<std::uint16_t>(v >> 16));
}
void Pad4(Bytes& b) {
  while (b.size() % 4) b.push_back(0);
}

// One node of a version block: header, key, value, children, each part
// 4-aligned relative to the node's start (nodes themselves start 4-aligned).
Bytes Node(const std::u16string& key, std::uint16_t type, const Bytes& value, std::uint16_t valueLength,
           const std::vector<Bytes>& children) {
  Bytes b(6, 0);
  for (char16_t c : key) Append16(b, c);
  Append16(b, 0);
  Pad4(b);
  b.insert(b.end(), value.begin(), value.end());
  for (const Bytes& child : children) {
    Pad4(b);
    b.insert(b.end(), child.begin(), child.end());
  }
  Put16(b, 0, static_cast<std::uint16_t>(b.size()));
  Put16(b, 2, valueLength);
  Put16(b, 4, type);
  return b;
}

std::uint32_t Join(const std::uint16_t (&v)[4], int high) {
  return (std::uint32_t{v[high]} << 16) | v[high + 1];
}

Bytes VersionBlock(const VersionSpec& versionSpec) {
  Bytes fixed;
  Append32(fixed, 0xFEEF04BD);                 // dwSignature
  Append32(fixed, 0x00010000);                 // dwStrucVersion
  Append32(fixed, Join(versionSpec.fileVersion, 0));
  Append32(fixed, Join(versionSpec.fileVersion, 2));
  Append32(fixed, Join(versionSpec.productVersion, 0));
  Append32(fixed, Join(versionSpec.productVersion, 2));
  Append32(fixed, 0x3F);                       // dwFileFlagsMask
  Append32(fixed, 0);                          // dwFileFlags
  Append32(fixed, 0x00040004);                 // dwFileOS: VOS_NT_WINDOWS32
  Append32(fixed, 3);                          // dwFileType: VFT_DRV
  Append32(fixed, 0);                          // dwFileSubtype
  Append32(fixed, 0);                          // dwFileDateMS
  Append32(fixed, 0);                          // dwFileDateLS

  std::vector<Bytes> strings;
  for (const auto& [name, value] : versionSpec.strings) {
    Bytes text;
    for (char16_t c : value) Append16(text, c);
    Append16(text, 0);
    strings.push_back(Node(name, 1, text, static_cast<std::uint16_t>(value.size() + 1), {}));
  }
  char table[9];
  std::snprintf(table, sizeof table, "%04X%04X", static_cast<unsigned>(versionSpec.language),
                static_cast<unsigned>(versionSpec.codePage));
  const std::u16string tableKey(table, table + 8);
  const Bytes stringTable = Node(tableKey, 1, {}, 0, strings);
  const Bytes stringFileInfo = Node(u"StringFileInfo", 1, {}, 0, {stringTable});

  Bytes translation;
  Append16(translation, versionSpec.language);
  Append16(translation, versionSpec.codePage);
  const Bytes var = Node(u"Translation", 0, translation, 4, {});
  const Bytes varFileInfo = Node(u"VarFileInfo", 1, {}, 0, {var});

  return Node(u"VS_VERSION_INFO", 0, fixed, static_cast<std::uint16_t>(fixed.size()), {stringFileInfo, varFileInfo});
}

// A resource directory header with `ids` id entries and no named ones.
void AppendDirectory(Bytes& b, std::uint16_t ids) {
  for (int i = 0; i < 12; ++i) b.push_back(0);  // characteristics, time stamp, version
  Append16(b, 0);
  Append16(b, ids);
}

Bytes ResourceSection(const VersionSpec& versionSpec) {
  Bytes r;
  if (!versionSpec.withVersionResource) {
    AppendDirectory(r, 0);
    return r;
  }
  const Bytes block = VersionBlock(versionSpec);
  AppendDirectory(r, 1);                 // types, at 0x00
  Append32(r, 16);                       // RT_VERSION
  Append32(r, 0x80000000u | 0x18);
  AppendDirectory(r, 1);                 // names, at 0x18
  Append32(r, 1);
  Append32(r, 0x80000000u | 0x30);
  AppendDirectory(r, 1);                 // languages, at 0x30
  Append32(r, versionSpec.language);
  Append32(r, 0x48);                     // data entry
  Append32(r, kRsrcRva + 0x58);          // data entry, at 0x48: RVA, size, code page, reserved
  Append32(r, static_cast<std::uint32_t>(block.size()));
  Append32(r, 0);
  Append32(r, 0);
  r.insert(r.end(), block.begin(), block.end());  // at 0x58
  return r;
}

}  // namespace

std::vector<std::uint8_t> BuildVersionedPe(const VersionSpec& versionSpec) {
  const Bytes rsrc = ResourceSection(versionSpec);
  const std::uint32_t rsrcSize = static_cast<std::uint32_t>(rsrc.size());
  const std::uint32_t rawSize = AlignUp(rsrcSize, kFileAlignment);
  const std::uint16_t optionalSize = versionSpec.pe64 ? 240 : 224;
  const std::uint32_t headersSize = kFileAlignment;

  Bytes pe(headersSize + rawSize, 0);
  // DOS header: signature and the offset of the PE headers.
  pe[0] = 'M';
  pe[1] = 'Z';
  Put32(pe, 0x3C, kPeOffset);

  // PE signature and file header.
  pe[kPeOffset] = 'P';
  pe[kPeOffset + 1] = 'E';
  const std::size_t fh = kPeOffset + 4;
  Put16(pe, fh + 0, versionSpec.pe64 ? 0x8664 : 0x014C);                 // Machine
  Put16(pe, fh + 2, 1);                                            // NumberOfSections
  Put16(pe, fh + 16, optionalSize);                                // SizeOfOptionalHeader
  Put16(pe, fh + 18, versionSpec.pe64 ? 0x2022 : 0x2102);                 // executable DLL (+32-bit / large address)

  // Optional header.
  const std::size_t oh = fh + 20;
  Put16(pe, oh + 0, versionSpec.pe64 ? 0x20B : 0x10B);                    // Magic
  pe[oh + 2] = 1;                                                  // linker version 1.0
  Put32(pe, oh + 8, rawSize);                                      // SizeOfInitializedData
  Put32(pe, oh + 20, kRsrcRva);                                    // BaseOfCode
  if (versionSpec.pe64) {
    Put64(pe, oh + 24, 0x180000000ull);                            // ImageBase
  } else {
    Put32(pe, oh + 24, kRsrcRva);                                  // BaseOfData
    Put32(pe, oh + 28, 0x10000000);                                // ImageBase
  }
  Put32(pe, oh + 32, kSectionAlignment);
  Put32(pe, oh + 36, kFileAlignment);
  Put16(pe, oh + 40, 5);                                           // operating system version 5.1
  Put16(pe, oh + 42, 1);
  Put16(pe, oh + 48, 5);                                           // subsystem version 5.1
  Put16(pe, oh + 50, 1);
  Put32(pe, oh + 56, kRsrcRva + AlignUp(rsrcSize, kSectionAlignment));  // SizeOfImage
  Put32(pe, oh + 60, headersSize);                                 // SizeOfHeaders
  Put16(pe, oh + 68, 1);                                           // Subsystem: native, as drivers
  const std::size_t tail = oh + 72;                                // stack and heap sizes
  if (versionSpec.pe64) {
    Put64(pe, tail + 0, 0x40000);
    Put64(pe, tail + 8, 0x1000);
    Put64(pe, tail + 16, 0x100000);
    Put64(pe, tail + 24, 0x1000);
  } else {
    Put32(pe, tail + 0, 0x40000);
    Put32(pe, tail + 4, 0x1000);
    Put32(pe, tail + 8, 0x100000);
    Put32(pe, tail + 12, 0x1000);
  }
  const std::size_t rvaCount = oh + (versionSpec.pe64 ? 108 : 92);
  Put32(pe, rvaCount, 16);                                         // NumberOfRvaAndSizes
  const std::size_t resourceDir = rvaCount + 4 + 2 * 8;
  Put32(pe, resourceDir, kRsrcRva);
  Put32(pe, resourceDir + 4, rsrcSize);

  // Section table: .rsrc only.
  const std::size_t sh = oh + optionalSize;
  const char name[8] = {'.', 'r', 's', 'r', 'c', 0, 0, 0};
  for (int i = 0; i < 8; ++i) pe[sh + i] = static_cast<std::uint8_t>(name[i]);
  Put32(pe, sh + 8, rsrcSize);                                     // VirtualSize
  Put32(pe, sh + 12, kRsrcRva);                                    // VirtualAddress
  Put32(pe, sh + 16, rawSize);                                     // SizeOfRawData
  Put32(pe, sh + 20, headersSize);                                 // PointerToRawData
  Put32(pe, sh + 36, 0x40000040);                                  // initialized data, readable

  for (std::size_t i = 0; i < rsrc.size(); ++i) pe[headersSize + i] = rsrc[i];
  return pe;
}

VersionSpec FileVersion(std::uint16_t a, std::uint16_t b, std::uint16_t c, std::uint16_t d) {
  VersionSpec versionSpec;
  versionSpec.fileVersion[0] = a;
  versionSpec.fileVersion[1] = b;
  versionSpec.fileVersion[2] = c;
  versionSpec.fileVersion[3] = d;
  return versionSpec;
}

}  // namespace tools
