#include "platform/offline/disk/ntfs_records.h"

namespace offline::ntfs {
namespace {

std::optional<std::uint64_t> U64At(ByteView bytes, std::uint64_t offset) {
  std::optional<std::uint32_t> low = bytes.u32At(offset);
  std::optional<std::uint32_t> high = bytes.u32At(offset + 4);
  if (!low || !high) return std::nullopt;
  return (static_cast<std::uint64_t>(*high) << 32) | *low;
}

// `count` UTF-16 units at `offset`.
std::optional<std::u16string> TextAt(ByteView bytes, std::uint64_t offset, std::uint64_t count) {
  if (!bytes.contains(offset, count * 2)) return std::nullopt;
  std::u16string text;
  for (std::uint64_t i = 0; i < count; ++i) text.push_back(static_cast<char16_t>(*bytes.u16At(offset + 2 * i)));
  return text;
}

std::optional<Times> TimesAt(ByteView bytes, std::uint64_t offset) {
  auto creation = U64At(bytes, offset);
  auto lastWrite = U64At(bytes, offset + 8);
  auto change = U64At(bytes, offset + 16);
  auto lastAccess = U64At(bytes, offset + 24);
  if (!creation || !lastWrite || !change || !lastAccess) return std::nullopt;
  return Times{*creation, *lastWrite, *change, *lastAccess};
}

}  // namespace

std::optional<FileName> ParseFileName(ByteView bytes) {
  // parent (8), four times (32), allocated and real size (16), attributes
  // (4), reparse tag (4), name length (1), namespace (1), the name.
  constexpr std::uint64_t kNameOffset = 0x42;
  std::optional<std::uint64_t> parent = U64At(bytes, 0);
  std::optional<Times> times = TimesAt(bytes, 0x08);
  std::optional<std::uint64_t> size = U64At(bytes, 0x30);
  std::optional<std::uint32_t> attributes = bytes.u32At(0x38);
  std::optional<std::uint32_t> tag = bytes.u32At(0x3C);
  std::optional<std::uint8_t> length = bytes.u8At(0x40);
  std::optional<std::uint8_t> space = bytes.u8At(0x41);
  if (!parent || !times || !size || !attributes || !tag || !length || !space || *space > 3 || *length == 0)
    return std::nullopt;
  std::optional<std::u16string> name = TextAt(bytes, kNameOffset, *length);
  if (!name) return std::nullopt;
  return FileName{*parent, *times, *size, *attributes, *tag, static_cast<Namespace>(*space), std::move(*name)};
}

std::optional<StandardInformation> ParseStandardInformation(ByteView bytes) {
  std::optional<Times> times = TimesAt(bytes, 0);
  std::optional<std::uint32_t> attributes = bytes.u32At(0x20);
  if (!times || !attributes) return std::nullopt;
  return StandardInformation{*times, *attributes};
}

std::optional<ReparsePoint> ParseReparsePoint(ByteView bytes) {
  std::optional<std::uint32_t> tag = bytes.u32At(0);
  std::optional<std::uint16_t> length = bytes.u16At(4);
  if (!tag || !length) return std::nullopt;
  ReparsePoint point{*tag, u"", false};
  if (*tag != kTagMountPoint && *tag != kTagSymlink) return point;
  std::optional<ByteView> data = bytes.sub(8, *length);
  if (!data) return std::nullopt;
  // Substitute name offset and length, print name offset and length (bytes,
  // from the path buffer); a symbolic link has its flags before the buffer.
  std::optional<std::uint16_t> offset = data->u16At(0);
  std::optional<std::uint16_t> size = data->u16At(2);
  std::uint64_t buffer = 8;
  if (*tag == kTagSymlink) {
    std::optional<std::uint32_t> flags = data->u32At(8);
    if (!flags) return std::nullopt;
    point.relative = (*flags & 1) != 0;
    buffer = 12;
  }
  if (!offset || !size || *size % 2 != 0) return std::nullopt;
  std::optional<std::u16string> target = TextAt(*data, buffer + *offset, *size / 2);
  if (!target) return std::nullopt;
  point.target = std::move(*target);
  return point;
}

std::vector<char16_t> ParseUpCase(ByteView bytes) {
  std::vector<char16_t> table(0x10000);
  for (std::size_t unit = 0; unit < table.size(); ++unit) {
    std::optional<std::uint16_t> upper = bytes.u16At(2 * static_cast<std::uint64_t>(unit));
    table[unit] = static_cast<char16_t>(upper ? *upper : unit);
  }
  return table;
}

std::u16string ParseVolumeName(ByteView bytes) { return TextAt(bytes, 0, bytes.size() / 2).value_or(u""); }

std::u16string UpperCase(const std::vector<char16_t>& table, std::u16string_view name) {
  std::u16string out(name);
  if (table.size() == 0x10000)
    for (char16_t& c : out) c = table[c];
  return out;
}

}  // namespace offline::ntfs
