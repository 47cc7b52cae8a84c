// Lays out a minimal DLL-shaped image: DOS header, PE headers, one section
// table entry, and a .rsrc section at RVA 0x1000 that holds
// RT_VERSION / 1 / <language> -> VS_VERSION_INFO. Nothing else (no code, no
// imports): enough for the loader to map it as a data file and for a parser
// to find the version resource.
#include "tools/lib/pe_builder.h"

#include <cstdio>

#include "platform/codecs.h"
#include "platform/offline/formats/pe_layout.h"

namespace tools {
namespace {

namespace pe = offline::pe;
namespace fh = pe::file_header;
namespace oh = pe::optional_header;
namespace sh = pe::section_header;
namespace rs = pe::resource;
namespace vn = pe::version_node;
namespace ffi = pe::fixed_file_info;

constexpr std::uint32_t kFileAlignment = 0x200;
constexpr std::uint32_t kSectionAlignment = 0x1000;
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
void Pad4(Bytes& b) {
  while (b.size() % 4) b.push_back(0);
}

// One node of a version block: header, key, value, children, each part
// 4-aligned relative to the node's start (nodes themselves start 4-aligned).
Bytes Node(const std::u16string& key, std::uint16_t type, const Bytes& value, std::uint16_t valueLength,
           const std::vector<Bytes>& children) {
  Bytes b(vn::kHeaderSize, 0);
  const Bytes keyBytes = codecs::EncodeUtf16Le(key, true);
  b.insert(b.end(), keyBytes.begin(), keyBytes.end());
  Pad4(b);
  b.insert(b.end(), value.begin(), value.end());
  for (const Bytes& child : children) {
    Pad4(b);
    b.insert(b.end(), child.begin(), child.end());
  }
  Put16(b, vn::kLength, static_cast<std::uint16_t>(b.size()));
  Put16(b, vn::kValueLength, valueLength);
  Put16(b, vn::kType, type);
  return b;
}

std::uint32_t Join(const std::uint16_t (&v)[4], int high) { return (std::uint32_t{v[high]} << 16) | v[high + 1]; }

Bytes FixedFileInfo(const VersionSpec& versionSpec) {
  Bytes fixed(ffi::kSize, 0);
  Put32(fixed, ffi::kSignature, ffi::kSignatureValue);
  Put32(fixed, ffi::kStrucVersion, 0x00010000);
  Put32(fixed, ffi::kFileVersionMS, Join(versionSpec.fileVersion, 0));
  Put32(fixed, ffi::kFileVersionLS, Join(versionSpec.fileVersion, 2));
  Put32(fixed, ffi::kProductVersionMS, Join(versionSpec.productVersion, 0));
  Put32(fixed, ffi::kProductVersionLS, Join(versionSpec.productVersion, 2));
  Put32(fixed, ffi::kFileFlagsMask, 0x3F);
  Put32(fixed, ffi::kFileOS, 0x00040004);  // VOS_NT_WINDOWS32
  Put32(fixed, ffi::kFileType, 3);         // VFT_DRV
  return fixed;
}

std::string TableKey(const VersionSpec& versionSpec) {
  char table[9];
  std::snprintf(table, sizeof table, "%04X%04X", static_cast<unsigned>(versionSpec.language),
                static_cast<unsigned>(versionSpec.codePage));
  return table;
}

Bytes VersionBlock(const VersionSpec& versionSpec) {
  const Bytes fixed = FixedFileInfo(versionSpec);
  std::vector<Bytes> strings;
  for (const auto& [name, value] : versionSpec.strings) {
    strings.push_back(Node(name, vn::kTypeText, codecs::EncodeUtf16Le(value, true),
                           static_cast<std::uint16_t>(value.size() + 1), {}));
  }
  const std::string table = TableKey(versionSpec);
  const std::u16string tableKey(table.begin(), table.end());
  const Bytes stringTable = Node(tableKey, vn::kTypeText, {}, 0, strings);
  const Bytes stringFileInfo = Node(u"StringFileInfo", vn::kTypeText, {}, 0, {stringTable});

  Bytes translation;
  Append16(translation, versionSpec.language);
  Append16(translation, versionSpec.codePage);
  const Bytes var = Node(u"Translation", vn::kTypeBinary, translation, 4, {});
  const Bytes varFileInfo = Node(u"VarFileInfo", vn::kTypeText, {}, 0, {var});

  return Node(u"VS_VERSION_INFO", vn::kTypeBinary, fixed, static_cast<std::uint16_t>(fixed.size()),
              {stringFileInfo, varFileInfo});
}

// A resource directory header with `ids` id entries and no named ones.
void AppendDirectory(Bytes& b, std::uint16_t ids) {
  const std::size_t at = b.size();
  b.resize(at + rs::kDirectorySize, 0);
  Put16(b, at + rs::kNumberOfIdEntries, ids);
}

void AppendEntry(Bytes& b, std::uint32_t name, std::uint32_t target) {
  const std::size_t at = b.size();
  b.resize(at + rs::kEntrySize, 0);
  Put32(b, at + rs::kEntryName, name);
  Put32(b, at + rs::kEntryTarget, target);
}

// Types, names and languages, one entry each, then the data entry and the block.
Bytes ResourceSection(const VersionSpec& versionSpec, std::uint32_t rsrcRva) {
  Bytes r;
  if (!versionSpec.withVersionResource) {
    AppendDirectory(r, 0);
    return r;
  }
  const Bytes block = VersionBlock(versionSpec);
  constexpr std::uint32_t kLevel = rs::kDirectorySize + rs::kEntrySize;  // one directory with one entry
  constexpr std::uint32_t kNames = kLevel, kLanguages = 2 * kLevel, kData = 3 * kLevel;
  constexpr std::uint32_t kBlock = kData + rs::kDataEntrySize;
  AppendDirectory(r, 1);
  AppendEntry(r, rs::kTypeVersion, rs::kSubdirectory | kNames);
  AppendDirectory(r, 1);
  AppendEntry(r, rs::kVersionInfoId, rs::kSubdirectory | kLanguages);
  AppendDirectory(r, 1);
  AppendEntry(r, versionSpec.language, kData);
  r.resize(kData + rs::kDataEntrySize, 0);
  Put32(r, kData + rs::kDataRva, rsrcRva + kBlock);
  Put32(r, kData + rs::kDataSize, static_cast<std::uint32_t>(block.size()));
  r.insert(r.end(), block.begin(), block.end());
  return r;
}

// The optional header: a native-subsystem DLL whose last section is .rsrc.
void PutOptionalHeader(Bytes& pe, std::size_t oh, bool pe64, std::uint32_t rawSize, std::uint32_t rsrcRva,
                       std::uint32_t rsrcSize, std::uint32_t headersSize) {
  Put16(pe, oh + oh::kMagic, pe64 ? oh::kMagicPe32Plus : oh::kMagicPe32);
  pe[oh + oh::kMajorLinkerVersion] = 1;
  Put32(pe, oh + oh::kSizeOfInitializedData, rawSize);
  Put32(pe, oh + oh::kBaseOfCode, kResourceSectionRva);
  if (pe64) {
    Put64(pe, oh + oh::kImageBase64, 0x180000000ull);
  } else {
    Put32(pe, oh + oh::kBaseOfData32, kResourceSectionRva);
    Put32(pe, oh + oh::kImageBase32, 0x10000000);
  }
  Put32(pe, oh + oh::kSectionAlignment, kSectionAlignment);
  Put32(pe, oh + oh::kFileAlignment, kFileAlignment);
  Put16(pe, oh + oh::kMajorOperatingSystemVersion, 5);  // 5.1
  Put16(pe, oh + oh::kMinorOperatingSystemVersion, 1);
  Put16(pe, oh + oh::kMajorSubsystemVersion, 5);
  Put16(pe, oh + oh::kMinorSubsystemVersion, 1);
  Put32(pe, oh + oh::kSizeOfImage, rsrcRva + AlignUp(rsrcSize, kSectionAlignment));
  Put32(pe, oh + oh::kSizeOfHeaders, headersSize);
  Put16(pe, oh + oh::kSubsystem, 1);  // native, as drivers
  // Stack reserve and commit, heap reserve and commit: 32-bit fields in PE32, 64-bit in PE32+.
  const std::uint32_t sizes[] = {0x40000, 0x1000, 0x100000, 0x1000};
  for (std::size_t i = 0; i < 4; ++i) {
    if (pe64) {
      Put64(pe, oh + oh::kSizeOfStackReserve + 8 * i, sizes[i]);
    } else {
      Put32(pe, oh + oh::kSizeOfStackReserve + 4 * i, sizes[i]);
    }
  }
  const std::size_t rvaCount = oh + oh::NumberOfRvaAndSizes(pe64);
  Put32(pe, rvaCount, oh::kDataDirectoryCount);
  const std::size_t resourceDir = oh + oh::DataDirectory(oh::NumberOfRvaAndSizes(pe64), oh::kResourceDirectoryIndex);
  Put32(pe, resourceDir + oh::kDirectoryVirtualAddress, rsrcRva);
  Put32(pe, resourceDir + oh::kDirectorySize, rsrcSize);
}

}  // namespace

// One section table entry.
void PutSection(Bytes& pe, std::size_t at, const char (&name)[sh::kNameSize], std::uint32_t virtualSize,
                std::uint32_t virtualAddress, std::uint32_t rawSize, std::uint32_t rawOffset,
                std::uint32_t characteristics) {
  for (std::size_t i = 0; i < sh::kNameSize; ++i) pe[at + sh::kName + i] = static_cast<std::uint8_t>(name[i]);
  Put32(pe, at + sh::kVirtualSize, virtualSize);
  Put32(pe, at + sh::kVirtualAddress, virtualAddress);
  Put32(pe, at + sh::kSizeOfRawData, rawSize);
  Put32(pe, at + sh::kPointerToRawData, rawOffset);
  Put32(pe, at + sh::kCharacteristics, characteristics);
}

std::vector<std::uint8_t> BuildVersionedPe(const VersionSpec& versionSpec) {
  if (versionSpec.sixteenBit) return BuildVersionedNe(versionSpec);
  const bool code = versionSpec.codeBeforeResources;
  const std::uint32_t rsrcRva = code ? kResourceSectionRva + kSectionAlignment : kResourceSectionRva;
  const Bytes rsrc = ResourceSection(versionSpec, rsrcRva);
  const std::uint32_t rsrcSize = static_cast<std::uint32_t>(rsrc.size());
  const std::uint32_t rawSize = AlignUp(rsrcSize, kFileAlignment);
  const bool pe64 = versionSpec.pe64;
  const std::uint16_t optionalSize = pe64 ? oh::kSize64 : oh::kSize32;
  const std::uint32_t headersSize = kFileAlignment;
  const std::uint32_t codeRaw = code ? kFileAlignment : 0;  // zeros

  Bytes pe(headersSize + codeRaw + rawSize, 0);
  Put16(pe, 0, pe::kDosSignature);
  Put32(pe, pe::kDosNewHeaderOffset, kPeOffset);
  Put32(pe, kPeOffset, pe::kNtSignature);
  const std::size_t fh = kPeOffset + pe::kNtSignatureSize;
  Put16(pe, fh + fh::kMachine, pe64 ? fh::kMachineAmd64 : fh::kMachineI386);
  Put16(pe, fh + fh::kNumberOfSections, code ? 2 : 1);
  Put16(pe, fh + fh::kSizeOfOptionalHeader, optionalSize);
  Put16(pe, fh + fh::kCharacteristics, pe64 ? 0x2022 : 0x2102);  // executable DLL (+32-bit / large address)
  const std::size_t oh = fh + fh::kSize;
  PutOptionalHeader(pe, oh, pe64, rawSize, rsrcRva, rsrcSize, headersSize);

  // Section table: [.text,] .rsrc.
  std::size_t sh = oh + optionalSize;
  if (code) {
    const std::uint32_t reach = rsrcRva + AlignUp(rsrcSize, kSectionAlignment) - kResourceSectionRva;
    PutSection(pe, sh, {'.', 't', 'e', 'x', 't', 0, 0, 0}, reach, kResourceSectionRva, codeRaw, headersSize,
               0x60000020);  // code, executable, readable
    sh += sh::kSize;
  }
  PutSection(pe, sh, {'.', 'r', 's', 'r', 'c', 0, 0, 0}, rsrcSize, rsrcRva, rawSize, headersSize + codeRaw,
             0x40000040);  // initialized data, readable

  for (std::size_t i = 0; i < rsrc.size(); ++i) pe[headersSize + codeRaw + i] = rsrc[i];
  return pe;
}

namespace {

// A node of a 16-bit version block: wLength, wValueLength, ANSI key, value, children.
Bytes Node16(const std::string& key, const Bytes& value, const std::vector<Bytes>& children) {
  Bytes b(4, 0);
  // Byte by byte: GCC 12 at -O2 sees a range insert here as out of bounds (-Warray-bounds).
  for (char c : key) b.push_back(static_cast<std::uint8_t>(c));
  b.push_back(0);
  Pad4(b);
  b.insert(b.end(), value.begin(), value.end());
  for (const Bytes& child : children) {
    Pad4(b);
    b.insert(b.end(), child.begin(), child.end());
  }
  Put16(b, 0, static_cast<std::uint16_t>(b.size()));
  Put16(b, 2, static_cast<std::uint16_t>(value.size()));
  return b;
}

Bytes Ansi(const std::u16string& text, bool terminator) {
  Bytes out;
  for (char16_t c : text) out.push_back(codecs::ToWindows1252(c).value_or('?'));
  if (terminator) out.push_back(0);
  return out;
}

Bytes VersionBlock16(const VersionSpec& versionSpec) {
  std::vector<Bytes> strings;
  for (const auto& [name, value] : versionSpec.strings) {
    const Bytes key = Ansi(name, false);
    strings.push_back(Node16(std::string(key.begin(), key.end()), Ansi(value, true), {}));
  }
  const Bytes table = Node16(TableKey(versionSpec), {}, strings);
  Bytes translation;
  Append16(translation, versionSpec.language);
  Append16(translation, versionSpec.codePage);
  const Bytes var = Node16("Translation", translation, {});
  return Node16("VS_VERSION_INFO", FixedFileInfo(versionSpec),
                {Node16("StringFileInfo", {}, {table}), Node16("VarFileInfo", {}, {var})});
}

}  // namespace

// MZ stub, NE header at 0x40, the resource table right after it (one type,
// RT_VERSION, with one resource, id 1), the resident-name table, then the
// version block at the next 16-byte unit.
std::vector<std::uint8_t> BuildVersionedNe(const VersionSpec& versionSpec) {
  namespace ne = pe::ne;
  constexpr std::uint32_t kNe = 0x40;
  constexpr std::uint16_t kShift = 4;
  const Bytes block = VersionBlock16(versionSpec);
  const std::uint32_t table = kNe + ne::kHeaderSize;
  const std::uint32_t tableSize = 2 + ne::kTypeInfoSize + ne::kNameInfoSize + 2;
  const std::string module(
      "\x06"
      "DRIVER\0\0\0",
      10);  // resident names: the module name, ordinal 0, end
  const std::uint32_t names = table + tableSize;
  const std::uint32_t data = AlignUp(names + static_cast<std::uint32_t>(module.size()), 1u << kShift);
  const std::uint32_t units = AlignUp(static_cast<std::uint32_t>(block.size()), 1u << kShift) >> kShift;
  Bytes file(data + (units << kShift), 0);
  Put16(file, 0, pe::kDosSignature);
  Put32(file, pe::kDosNewHeaderOffset, kNe);
  Put16(file, kNe, ne::kSignature);
  file[kNe + 2] = 5;  // linker 5.10
  file[kNe + 3] = 10;
  for (std::uint64_t field : {std::uint64_t{0x04}, std::uint64_t{0x28}, std::uint64_t{0x2A}}) {
    Put16(file, kNe + field,
          static_cast<std::uint16_t>(names + module.size() - kNe));  // entry, module, import tables: empty
  }
  Put16(file, kNe + ne::kResourceTable, static_cast<std::uint16_t>(table - kNe));
  Put16(file, kNe + ne::kResidentNameTable, static_cast<std::uint16_t>(names - kNe));
  file[kNe + 0x36] = 2;  // Windows
  Put16(file, table, kShift);
  const std::uint32_t type = table + 2;
  Put16(file, type + ne::kTypeId, ne::kIntegerId | pe::resource::kTypeVersion);
  Put16(file, type + ne::kTypeCount, 1);
  const std::uint32_t name = type + ne::kTypeInfoSize;
  Put16(file, name + ne::kNameOffset, static_cast<std::uint16_t>(data >> kShift));
  Put16(file, name + ne::kNameLength, static_cast<std::uint16_t>(units));
  Put16(file, name + 4, 0x0C30);  // moveable, pure, preloaded
  Put16(file, name + ne::kNameId, ne::kIntegerId | pe::resource::kVersionInfoId);
  for (std::size_t i = 0; i < module.size(); ++i) file[names + i] = static_cast<std::uint8_t>(module[i]);
  for (std::size_t i = 0; i < block.size(); ++i) file[data + i] = block[i];
  return file;
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
