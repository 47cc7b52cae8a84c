// The version resource of a 16-bit (NE) executable: found through the
// resource table the NE header points to, as the version library finds it
// (type RT_VERSION, id 1, both as integer ids).
#include "platform/offline/formats/pe_layout.h"
#include "platform/offline/formats/pe_resource.h"

namespace offline {
namespace {

namespace ne = pe::ne;

constexpr std::uint16_t kMaxAlignmentShift = 16;
// A version block starts with wLength, wValueLength, "VS_VERSION_INFO" and
// VS_FIXEDFILEINFO; anything shorter holds no version.
constexpr std::uint64_t kMinBlock = 4 + 16 + pe::fixed_file_info::kSize;

}  // namespace

Parsed<VersionResource, PeError> FindNeVersionResource(const ByteSource& file, std::uint64_t neHeader) {
  const auto tableAt = file.u16At(neHeader + ne::kResourceTable);
  const auto tableEnd = file.u16At(neHeader + ne::kResidentNameTable);
  if (!tableAt || !tableEnd) return PeError::kTruncated;
  if (*tableEnd <= *tableAt) return PeError::kNoResources;
  const std::uint64_t start = neHeader + *tableAt, end = neHeader + *tableEnd;
  if (!file.contains(start, end - start)) return PeError::kTruncated;
  const auto shift = file.u16At(start);
  if (!shift || *shift > kMaxAlignmentShift) return PeError::kBadResourceDirectory;
  // Each block is read once and the walk only moves forward inside the
  // table, whose size a 16-bit offset bounds.
  std::uint64_t at = start + 2;
  for (;;) {
    const auto type = at + 2 <= end ? file.u16At(at + ne::kTypeId) : std::nullopt;
    if (!type) return PeError::kBadResourceDirectory;
    if (*type == 0) return PeError::kNoVersionResource;
    const auto count = at + ne::kTypeInfoSize <= end ? file.u16At(at + ne::kTypeCount) : std::nullopt;
    if (!count) return PeError::kBadResourceDirectory;
    const std::uint64_t names = at + ne::kTypeInfoSize;
    const std::uint64_t next = names + std::uint64_t{*count} * ne::kNameInfoSize;
    if (next > end) return PeError::kBadResourceDirectory;
    if (*type == (ne::kIntegerId | pe::resource::kTypeVersion)) {
      for (std::uint32_t i = 0; i < *count; ++i) {
        const std::uint64_t name = names + std::uint64_t{i} * ne::kNameInfoSize;
        if (file.u16At(name + ne::kNameId) != (ne::kIntegerId | pe::resource::kVersionInfoId)) continue;
        const auto offset = file.u16At(name + ne::kNameOffset);
        const auto length = file.u16At(name + ne::kNameLength);
        if (!offset || !length) return PeError::kBadVersionEntry;
        const std::uint64_t from = std::uint64_t{*offset} << *shift;
        const std::uint64_t size = std::uint64_t{*length} << *shift;
        if (size < kMinBlock || size > kMaxVersionResourceSize) return PeError::kBadVersionSize;
        VersionResource resource;
        resource.sixteenBit = true;
        resource.bytes.resize(static_cast<std::size_t>(size));
        if (!file.read(from, resource.bytes.data(), resource.bytes.size())) return PeError::kBadVersionEntry;
        return resource;
      }
    }
    at = next;
  }
}

}  // namespace offline
