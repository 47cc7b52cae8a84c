// The shapes of a report's lines, for reading it back. A line is compared in
// its normalized form (model/report_text.h: runs of blanks as one), so an
// editor that trimmed or re-spaced it does not stop the reading; the listing
// lines, whose blanks pad a column, are taken as they stand.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace model {

// A piece the report writes, as a normalized line: line ends gone, blanks
// normalized (model/report_text.h).
std::u16string PieceLine(std::u16string_view piece);

// Whether the normalized `line` is `pattern` (a PieceLine), whose one "%s"
// (if any) stands for a value; the value goes to `value`.
bool MatchPattern(std::u16string_view line, std::u16string_view pattern, std::u16string* value = nullptr);

// `line` = prefix + value + suffix: the value.
bool Between(std::u16string_view line, std::u16string_view prefix, std::u16string_view suffix,
             std::u16string_view* value);

// A listing line: one tab, or the blanks an editor made of it, then the
// content. False for a line that does not start that way.
bool ListingContent(std::u16string_view raw, std::u16string_view* content);

// The two columns of a listing line: the first padded with blanks to 30
// characters, the second after it. `ambiguous` when the first fills all 30 and
// touches the second, so that where one ends cannot be told.
struct ListingColumns {
  std::u16string_view first;
  std::u16string_view second;
  bool ambiguous = false;
};
ListingColumns SplitListingColumns(std::u16string_view content);

// "- ... -": the line a list shows when the search found nothing.
bool IsNothingFoundLine(std::u16string_view normalizedContent);

// "<label> [<n>]" with n as "%d" printed it; the 32-bit value it stands for.
bool MatchBracketNumber(std::u16string_view line, std::u16string_view label, std::uint32_t* value);

// A decimal number without sign of at most 9 digits.
bool ParseSmallNumber(std::u16string_view digits, int* value);

}  // namespace model
