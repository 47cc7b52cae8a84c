#include "platform/offline/pe_resource.h"

#include <algorithm>
#include <utility>

namespace offline {
namespace {

constexpr std::uint16_t kRtVersion = 16;
constexpr std::uint16_t kVersionInfoId = 1;
constexpr std::uint32_t kSubdirectoryFlag = 0x80000000u;
constexpr std::uint32_t kNameIsStringFlag = 0x80000000u;
constexpr std::uint32_t kResourceDirResource = 2;

struct Section {
  std::uint64_t virtualAddress;
  std::uint64_t virtualSpan;  // max(SizeOfRawData, VirtualSize)
  std::uint64_t rawOffset;
  std::uint64_t rawSize;
};

// Reads bytes of the image by RVA, as the loader would lay them out.
class ImageReader {
 public:
  ImageReader(ByteView file, std::vector<Section> sections) : file_(file), sections_(std::move(sections)) {}

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
    return file_.copyOut(s->rawOffset + inSection, dst, static_cast<std::size_t>(fromRaw));
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
  const Section* find(std::uint64_t rva) const {
    for (const Section& s : sections_) {
      if (rva >= s.virtualAddress && rva - s.virtualAddress < s.virtualSpan) return &s;
    }
    return nullptr;
  }

  ByteView file_;
  std::vector<Section> sections_;
};

struct DirEntry {
  std::uint32_t name;
  std::uint32_t target;
};

// The entries of the resource directory at offset dir (relative to the
// resource root), or nothing when it cannot be read or claims too many.
std::optional<std::vector<DirEntry>> ReadDirectory(const ImageReader& image, std::uint64_t root, std::uint64_t dir) {
  const auto named = image.u16(root + dir + 12);
  const auto ids = image.u16(root + dir + 14);
  if (!named || !ids) return std::nullopt;
  const std::uint32_t count = std::uint32_t{*named} + *ids;
  if (count > kMaxResourceDirEntries) return std::nullopt;
  std::vector<DirEntry> entries;
  entries.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint64_t at = root + dir + 16 + std::uint64_t{i} * 8;
    const auto name = image.u32(at);
    const auto target = image.u32(at + 4);
    if (!name || !target) return std::nullopt;
    entries.push_back({*name, *target});
  }
  return entries;
}

// The target of the entry with numeric id `id`, when it is of the wanted kind.
std::optional<std::uint32_t> FindById(const std::vector<DirEntry>& entries, std::uint16_t id, bool subdirectory) {
  for (const DirEntry& e : entries) {
    if ((e.name & kNameIsStringFlag) || e.name != id) continue;
    if (((e.target & kSubdirectoryFlag) != 0) != subdirectory) return std::nullopt;
    return e.target & ~kSubdirectoryFlag;
  }
  return std::nullopt;
}

std::optional<std::vector<Section>> ReadSections(ByteView file, std::uint64_t table, std::uint32_t count) {
  if (count == 0 || count > kMaxSections) return std::nullopt;
  std::vector<Section> sections;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint64_t at = table + std::uint64_t{i} * 40;
    const auto virtualSize = file.u32At(at + 8);
    const auto virtualAddress = file.u32At(at + 12);
    const auto rawSize = file.u32At(at + 16);
    const auto rawOffset = file.u32At(at + 20);
    if (!virtualSize || !virtualAddress || !rawSize || !rawOffset) return std::nullopt;
    // The loader refuses an image whose raw data runs past the end of the file.
    if (*rawSize != 0 && !file.contains(*rawOffset, *rawSize)) return std::nullopt;
    sections.push_back({*virtualAddress, std::max(*rawSize, *virtualSize), *rawOffset, *rawSize});
  }
  return sections;
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

std::optional<VersionResource> FindVersionResource(ByteView file, std::uint16_t preferredLanguage, bool* hasResources) {
  if (hasResources) *hasResources = false;
  // DOS header and the PE headers it points to.
  if (file.u16At(0) != std::optional<std::uint16_t>(0x5A4D)) return std::nullopt;  // "MZ"
  const auto lfanew = file.u32At(0x3C);
  if (!lfanew || file.u32At(*lfanew) != std::optional<std::uint32_t>(0x00004550)) return std::nullopt;  // "PE\0\0"
  const std::uint64_t fileHeader = std::uint64_t{*lfanew} + 4;
  const auto sectionCount = file.u16At(fileHeader + 2);
  const auto optionalSize = file.u16At(fileHeader + 16);
  if (!sectionCount || !optionalSize) return std::nullopt;
  const std::uint64_t optional = fileHeader + 20;
  const auto magic = file.u16At(optional);
  if (!magic) return std::nullopt;
  std::uint64_t rvaCountAt = 0;
  if (*magic == 0x10B) {
    rvaCountAt = 92;
  } else if (*magic == 0x20B) {
    rvaCountAt = 108;
  } else {
    return std::nullopt;
  }
  const auto rvaCount = file.u32At(optional + rvaCountAt);
  if (!rvaCount || *rvaCount <= kResourceDirResource) return std::nullopt;
  const std::uint64_t resourceDirAt = rvaCountAt + 4 + kResourceDirResource * 8;
  if (resourceDirAt + 8 > *optionalSize) return std::nullopt;
  const auto resourceRva = file.u32At(optional + resourceDirAt);
  const auto resourceSize = file.u32At(optional + resourceDirAt + 4);
  if (!resourceRva || !resourceSize || *resourceRva == 0 || *resourceSize == 0) return std::nullopt;

  auto sections = ReadSections(file, optional + *optionalSize, *sectionCount);
  if (!sections) return std::nullopt;
  const ImageReader image(file, std::move(*sections));
  const std::uint64_t root = *resourceRva;

  // Type, then name, then language: exactly three levels, so a directory that
  // points back at itself cannot lead anywhere deeper.
  const auto types = ReadDirectory(image, root, 0);
  if (!types) return std::nullopt;
  if (hasResources) *hasResources = true;
  const auto typeDir = FindById(*types, kRtVersion, true);
  if (!typeDir) return std::nullopt;
  const auto names = ReadDirectory(image, root, *typeDir);
  if (!names) return std::nullopt;
  const auto nameDir = FindById(*names, kVersionInfoId, true);
  if (!nameDir) return std::nullopt;
  const auto langEntries = ReadDirectory(image, root, *nameDir);
  if (!langEntries) return std::nullopt;
  std::vector<std::uint16_t> langs;
  for (const DirEntry& e : *langEntries) {
    langs.push_back((e.name & kNameIsStringFlag) ? 0xFFFF : static_cast<std::uint16_t>(e.name));
  }
  const auto chosen = ChooseLanguage(langs, preferredLanguage);
  if (!chosen) return std::nullopt;
  const DirEntry& leaf = (*langEntries)[*chosen];
  if (leaf.target & kSubdirectoryFlag) return std::nullopt;

  // The data entry: RVA and size of the resource bytes.
  const auto dataRva = image.u32(root + leaf.target);
  const auto dataSize = image.u32(root + leaf.target + 4);
  if (!dataRva || !dataSize || *dataSize == 0 || *dataSize > kMaxVersionResourceSize) return std::nullopt;
  VersionResource resource;
  resource.bytes.resize(*dataSize);
  if (!image.read(*dataRva, resource.bytes.data(), *dataSize)) return std::nullopt;
  return resource;
}

}  // namespace offline
