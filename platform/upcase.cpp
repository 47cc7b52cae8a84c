// Windows' upper-case table for names, expanded once from the runs that
// tools/make_upcase.cpp derives from the Unicode data: the table of Windows 8
// and later (published as the "Windows 8 Upper Case Mapping Table"), which
// the registry uses for key and value names and NTFS writes into a volume's
// $UpCase. Volumes formatted by older Windows carry an older, smaller table;
// the names a driver's setup writes do not differ between them.
#include <array>
#include <cstdint>

#include "platform/text.h"

namespace text {
namespace {

struct Run {
  std::uint16_t first, last, stride;
  std::int32_t delta;
};

constexpr Run kRuns[] = {
#include "platform/upcase_table.inc"
};

const std::array<char16_t, 0x10000>& Table() {
  static const std::array<char16_t, 0x10000> table = [] {
    std::array<char16_t, 0x10000> t{};
    for (std::uint32_t c = 0; c < t.size(); ++c) t[c] = static_cast<char16_t>(c);
    for (const Run& r : kRuns)
      for (std::uint32_t c = r.first; c <= r.last; c += r.stride) t[c] = static_cast<char16_t>(c + r.delta);
    return t;
  }();
  return table;
}

}  // namespace

char16_t Upcase(char16_t c) { return Table()[c]; }

std::u16string Upcased(std::u16string_view s) {
  const auto& table = Table();
  std::u16string out(s);
  for (char16_t& c : out) c = table[c];
  return out;
}

bool EqualsNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  const auto& table = Table();
  for (std::size_t i = 0; i < a.size(); ++i)
    if (table[a[i]] != table[b[i]]) return false;
  return true;
}

}  // namespace text
