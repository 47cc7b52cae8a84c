#include "platform/offline/formats/pe_resource.h"

#include <algorithm>
#include <utility>

#include "platform/offline/formats/pe_layout.h"

namespace offline {
namespace {

namespace fh = pe::file_header;
namespace oh = pe::optional_header;
namespace sh = pe::section_header;
namespace rs = pe::resource;

struct Section {
  std::uint64_t virtualAddress;
  std::uint64_t virtualSpan;  // max(SizeOfRawData, VirtualSize)
  std::uint64_t rawOffset;
  std::uint64_t rawSize;
};

// Reads bytes of the image by RVA, as the loader would lay them out.
class ImageReader {
 public:
  ImageReader(const ByteSource& file, std::vector<Section> sections) : file_(file), sections_(std::move(sections)) {}

  // length bytes at rva, all inside one section; zeros past the raw data.
  bool read(std::uint64_t rva, void* out, std::uint32_t length) const {
    const Section* s = find(rva);
    if (!s) return false;
    const std::uint64_t inSection = rva - s->virtualAddress;
    if (length > s->virtualSpan - inSection) return false;
    auto* dst = static_cast<std::uint8_t*>(out);
    std::fill(dst, dst + length, std::uint8_t{0});
    if (inSection >= s->rawSize) return true;
    const std::uint64_t fromRaw = std::min<std::uint64_t>(length, s->rawSize - inSection);
    return file_.read(s->rawOffset + inSection, dst, static_cast<std::size_t>(fromRaw));
  }

  std::optional<std::uint32_t> u32(std::uint64_t rva) const {
    std::uint8_t b[4];
    if (!read(rva, b, 4)) return std::nullopt;
    return ByteView(b, 4).u32At(0);
  }

  std::optional<std::uint16_t> u16(std::uint64_t rva) const {
    std::uint8_t b[2];
    if (!read(rva, b, 2)) return std::nullopt;
    return ByteView(b, 2).u16At(0);
  }

 private:
  // The loader maps each section at its own address in table order, so where
  // an earlier section's virtual size reaches into a later one, the later
  // one's bytes are what lies there: of the sections that hold `rva`, the one
  // that starts last (the last in the table among equals).
  const Section* find(std::uint64_t rva) const {
    const Section* found = nullptr;
    for (const Section& s : sections_) {
      if (rva >= s.virtualAddress && rva - s.virtualAddress < s.virtualSpan &&
          (!found || s.virtualAddress >= found->virtualAddress)) {
        found = &s;
      }
    }
    return found;
  }

  const ByteSource& file_;
  std::vector<Section> sections_;
};

struct DirEntry {
  std::uint32_t name;
  std::uint32_t target;
};

// The entries of the resource directory at offset dir (relative to the
// resource root), or nothing when it cannot be read or claims too many.
std::optional<std::vector<DirEntry>> ReadDirectory(const ImageReader& image, std::uint64_t root, std::uint64_t dir) {
  const auto named = image.u16(root + dir + rs::kNumberOfNamedEntries);
  const auto ids = image.u16(root + dir + rs::kNumberOfIdEntries);
  if (!named || !ids) return std::nullopt;
  const std::uint32_t count = std::uint32_t{*named} + *ids;
  if (count > kMaxResourceDirEntries) return std::nullopt;
  std::vector<DirEntry> entries;
  entries.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint64_t at = root + rs::Entry(dir, i);
    const auto name = image.u32(at + rs::kEntryName);
    const auto target = image.u32(at + rs::kEntryTarget);
    if (!name || !target) return std::nullopt;
    entries.push_back({*name, *target});
  }
  return entries;
}

// The first entry named by the numeric id `id`, or null.
const DirEntry* FindById(const std::vector<DirEntry>& entries, std::uint16_t id) {
  for (const DirEntry& e : entries) {
    if (!(e.name & rs::kNameIsString) && e.name == id) return &e;
  }
  return nullptr;
}

// Where the headers put the section table and the resource directory.
struct Headers {
  std::uint64_t sectionTable;
  std::uint32_t sectionCount;
  std::uint32_t resourceRva;
};

Parsed<Headers, PeError> ReadHeaders(const ByteSource& file, std::uint64_t lfanew) {
  const std::uint64_t fileHeader = lfanew + pe::kNtSignatureSize;
  const std::uint64_t optional = fileHeader + fh::kSize;
  const auto sectionCount = file.u16At(fileHeader + fh::kNumberOfSections);
  const auto optionalSize = file.u16At(fileHeader + fh::kSizeOfOptionalHeader);
  const auto magic = file.u16At(optional + oh::kMagic);
  if (!sectionCount || !optionalSize || !magic) return PeError::kTruncated;
  if (*magic != oh::kMagicPe32 && *magic != oh::kMagicPe32Plus) return PeError::kUnknownFormat;
  const std::uint64_t rvaCountAt = oh::NumberOfRvaAndSizes(*magic == oh::kMagicPe32Plus);
  const auto rvaCount = file.u32At(optional + rvaCountAt);
  if (!rvaCount) return PeError::kTruncated;
  const std::uint64_t resourceDirAt = oh::DataDirectory(rvaCountAt, oh::kResourceDirectoryIndex);
  if (*rvaCount <= oh::kResourceDirectoryIndex || resourceDirAt + oh::kDirectoryEntrySize > *optionalSize) {
    return PeError::kNoResources;
  }
  const auto resourceRva = file.u32At(optional + resourceDirAt + oh::kDirectoryVirtualAddress);
  const auto resourceSize = file.u32At(optional + resourceDirAt + oh::kDirectorySize);
  if (!resourceRva || !resourceSize) return PeError::kTruncated;
  if (*resourceRva == 0 || *resourceSize == 0) return PeError::kNoResources;
  return Headers{optional + *optionalSize, *sectionCount, *resourceRva};
}

Parsed<std::vector<Section>, PeError> ReadSections(const ByteSource& file, std::uint64_t table, std::uint32_t count) {
  if (count == 0 || count > kMaxSections) return PeError::kBadSectionTable;
  std::vector<Section> sections;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint64_t at = table + std::uint64_t{i} * sh::kSize;
    const auto virtualSize = file.u32At(at + sh::kVirtualSize);
    const auto virtualAddress = file.u32At(at + sh::kVirtualAddress);
    const auto rawSize = file.u32At(at + sh::kSizeOfRawData);
    const auto rawOffset = file.u32At(at + sh::kPointerToRawData);
    if (!virtualSize || !virtualAddress || !rawSize || !rawOffset) return PeError::kTruncated;
    // The loader refuses an image whose raw data runs past the end of the file.
    if (*rawSize != 0 && !file.contains(*rawOffset, *rawSize)) return PeError::kTruncated;
    sections.push_back({*virtualAddress, std::max(*rawSize, *virtualSize), *rawOffset, *rawSize});
  }
  return sections;
}

// The language entry of RT_VERSION / 1 that ChooseLanguage picks. Type, then
// name, then language: exactly three levels, so a directory that points back
// at itself cannot lead anywhere deeper.
Parsed<DirEntry, PeError> FindVersionLeaf(const ImageReader& image, std::uint64_t root,
                                          const std::vector<DirEntry>& types, std::uint16_t preferredLanguage) {
  const DirEntry* type = FindById(types, rs::kTypeVersion);
  if (!type) return PeError::kNoVersionResource;
  if (!(type->target & rs::kSubdirectory)) return PeError::kBadVersionEntry;
  const auto names = ReadDirectory(image, root, type->target & ~rs::kSubdirectory);
  if (!names) return PeError::kBadVersionEntry;
  const DirEntry* name = FindById(*names, rs::kVersionInfoId);
  if (!name) return PeError::kNoVersionResource;
  if (!(name->target & rs::kSubdirectory)) return PeError::kBadVersionEntry;
  const auto langEntries = ReadDirectory(image, root, name->target & ~rs::kSubdirectory);
  if (!langEntries) return PeError::kBadVersionEntry;
  std::vector<std::uint16_t> langs;
  for (const DirEntry& e : *langEntries) {
    langs.push_back((e.name & rs::kNameIsString) ? 0xFFFF : static_cast<std::uint16_t>(e.name));
  }
  const auto chosen = ChooseLanguage(langs, preferredLanguage);
  if (!chosen) return PeError::kNoVersionResource;
  const DirEntry& leaf = (*langEntries)[*chosen];
  if (leaf.target & rs::kSubdirectory) return PeError::kBadVersionEntry;
  return leaf;
}

// The resource bytes a data entry describes.
Parsed<VersionResource, PeError> ReadData(const ImageReader& image, std::uint64_t dataEntry) {
  const auto dataRva = image.u32(dataEntry + rs::kDataRva);
  const auto dataSize = image.u32(dataEntry + rs::kDataSize);
  if (!dataRva || !dataSize) return PeError::kBadVersionEntry;
  if (*dataSize == 0 || *dataSize > kMaxVersionResourceSize) return PeError::kBadVersionSize;
  VersionResource resource;
  resource.bytes.resize(*dataSize);
  if (!image.read(*dataRva, resource.bytes.data(), *dataSize)) return PeError::kBadVersionEntry;
  return resource;
}

}  // namespace

std::optional<std::size_t> ChooseLanguage(const std::vector<std::uint16_t>& langs, std::uint16_t preferred) {
  if (langs.empty()) return std::nullopt;
  const std::uint16_t primary = preferred & 0x03FF;
  const std::uint16_t order[] = {0x0000, preferred, primary, static_cast<std::uint16_t>(primary | 0x0400), 0x0409};
  for (std::uint16_t want : order) {
    const auto it = std::find(langs.begin(), langs.end(), want);
    if (it != langs.end()) return static_cast<std::size_t>(it - langs.begin());
  }
  return 0;
}

const char* Describe(PeError error) {
  switch (error) {
    case PeError::kNotPe:
      return "not a PE file";
    case PeError::kTruncated:
      return "truncated";
    case PeError::kUnknownFormat:
      return "unknown PE format";
    case PeError::kBadSectionTable:
      return "damaged section table";
    case PeError::kNoResources:
      return "no resources";
    case PeError::kBadResourceDirectory:
      return "damaged resource directory";
    case PeError::kNoVersionResource:
      return "no version resource";
    case PeError::kBadVersionEntry:
      return "damaged version resource entry";
    case PeError::kBadVersionSize:
      return "version resource empty or too large";
  }
  return "unreadable";
}

bool HasResourceDirectory(PeError error) {
  return error == PeError::kNoVersionResource || error == PeError::kBadVersionEntry ||
         error == PeError::kBadVersionSize;
}

Parsed<VersionResource, PeError> FindVersionResource(const ByteSource& file, std::uint16_t preferredLanguage) {
  if (file.u16At(0) != std::optional<std::uint16_t>(pe::kDosSignature)) return PeError::kNotPe;
  const auto lfanew = file.u32At(pe::kDosNewHeaderOffset);
  const auto signature = lfanew ? file.u32At(*lfanew) : std::nullopt;
  if (!signature) return PeError::kTruncated;
  if ((*signature & 0xFFFF) == pe::ne::kSignature) return FindNeVersionResource(file, *lfanew);
  if (*signature != pe::kNtSignature) return PeError::kNotPe;
  const auto headers = ReadHeaders(file, *lfanew);
  if (!headers) return headers.reason();
  auto sections = ReadSections(file, headers->sectionTable, headers->sectionCount);
  if (!sections) return sections.reason();
  const ImageReader image(file, std::move(*sections));
  const std::uint64_t root = headers->resourceRva;
  const auto types = ReadDirectory(image, root, 0);
  if (!types) return PeError::kBadResourceDirectory;
  const auto leaf = FindVersionLeaf(image, root, *types, preferredLanguage);
  if (!leaf) return leaf.reason();
  return ReadData(image, root + leaf->target);
}

Parsed<VersionResource, PeError> FindVersionResource(ByteView file, std::uint16_t preferredLanguage) {
  return FindVersionResource(ViewSource(file), preferredLanguage);
}

}  // namespace offline
