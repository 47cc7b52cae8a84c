#include "model/report_lines.h"

#include "model/report_text.h"
#include "model/settings.h"

namespace model {
namespace {

constexpr std::size_t kColumn = 30;

}  // namespace

std::u16string PieceLine(std::u16string_view piece) {
  std::u16string flat(piece);
  for (char16_t& c : flat) {
    if (c == u'\r' || c == u'\n') c = u' ';
  }
  return NormalizeBlanks(flat);
}

bool Between(std::u16string_view line, std::u16string_view prefix, std::u16string_view suffix,
             std::u16string_view* value) {
  if (line.size() < prefix.size() + suffix.size()) return false;
  if (line.substr(0, prefix.size()) != prefix || line.substr(line.size() - suffix.size()) != suffix) return false;
  if (value != nullptr) *value = line.substr(prefix.size(), line.size() - prefix.size() - suffix.size());
  return true;
}

bool MatchPattern(std::u16string_view line, std::u16string_view pattern, std::u16string* value) {
  const std::size_t at = pattern.find(u"%s");
  if (at == std::u16string::npos) return line == pattern;
  std::u16string_view found;
  if (!Between(line, pattern.substr(0, at), pattern.substr(at + 2), &found)) return false;
  if (value != nullptr) *value = std::u16string(found);
  return true;
}

bool ListingContent(std::u16string_view raw, std::u16string_view* content) {
  if (raw.empty()) return false;
  if (raw[0] == u'\t') {
    *content = raw.substr(1);
    return true;
  }
  if (raw[0] != u' ') return false;
  while (!raw.empty() && raw[0] == u' ') raw.remove_prefix(1);
  *content = raw;
  return true;
}

ListingColumns SplitListingColumns(std::u16string_view content) {
  ListingColumns columns;
  if (content.size() <= kColumn) {
    columns.first = TrimBlanks(content);
    return columns;
  }
  columns.first = TrimBlanks(content.substr(0, kColumn));
  columns.second = TrimBlanks(content.substr(kColumn));
  columns.ambiguous = content[kColumn - 1] != u' ' && !columns.second.empty();
  return columns;
}

bool IsNothingFoundLine(std::u16string_view normalizedContent) {
  return normalizedContent.size() >= 4 && normalizedContent.substr(0, 2) == u"- " &&
         normalizedContent.substr(normalizedContent.size() - 2) == u" -";
}

bool ParseSmallNumber(std::u16string_view digits, int* value) {
  if (digits.empty() || digits.size() > 9) return false;
  int n = 0;
  for (char16_t c : digits) {
    if (c < u'0' || c > u'9') return false;
    n = n * 10 + (c - u'0');
  }
  *value = n;
  return true;
}

bool MatchBracketNumber(std::u16string_view line, std::u16string_view label, std::uint32_t* value) {
  std::u16string_view inside;
  if (!Between(line, std::u16string(label) + u" [", u"]", &inside)) return false;
  const bool negative = !inside.empty() && inside[0] == u'-';
  if (negative) inside.remove_prefix(1);
  if (inside.empty() || inside.size() > 10) return false;
  std::uint64_t n = 0;
  for (char16_t c : inside) {
    if (c < u'0' || c > u'9') return false;
    n = n * 10 + static_cast<std::uint64_t>(c - u'0');
  }
  if (n > (negative ? 0x80000000ull : 0x7FFFFFFFull)) return false;
  // "%d" printed the 32-bit value as signed: -1 is 4294967295.
  *value = static_cast<std::uint32_t>(negative ? 0x100000000ull - n : n);
  return true;
}

}  // namespace model
