// UTF-16 text helpers shared by every layer: copying into fixed buffers,
// upper-casing of a-z only and as Windows compares names, substring search, UTF-8 conversion and the one
// printf-subset formatter (%s %d %u %Nd %-Ns %%) used for every formatted text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace text {

// Length of a zero-terminated text, never reading past `limit` characters.
std::size_t Length(const char16_t* s, std::size_t limit = SIZE_MAX);

// Copies `src` into `dst` (capacity `cap` characters, terminator included),
// truncating; `dst` is always terminated when cap > 0. Returns the copied length.
std::size_t Copy(char16_t* dst, std::size_t cap, std::u16string_view src);
template <std::size_t N>
std::size_t Copy(char16_t (&dst)[N], std::u16string_view src) {
  return Copy(dst, N, src);
}

// Appends `src` to the text in `dst`, truncating at the capacity.
std::size_t Append(char16_t* dst, std::size_t cap, std::u16string_view src);
template <std::size_t N>
std::size_t Append(char16_t (&dst)[N], std::u16string_view src) {
  return Append(dst, N, src);
}

// a-z become A-Z; every other character is left alone.
char16_t UpperAZ(char16_t c);
void UpperCaseAZInPlace(char16_t* s);
std::u16string UpperCaseAZ(std::u16string_view s);

// Case-insensitive (a-z only) equality.
bool EqualsNoCaseAZ(std::u16string_view a, std::u16string_view b);

// Windows' own upper-casing of names (upcase.cpp): the table the registry
// compares key and value names with and NTFS compares and orders file names
// with, one UTF-16 unit to one (a-z, and also ä -> Ä, я -> Я; not ß, ı, µ).
char16_t Upcase(char16_t c);
std::u16string Upcased(std::u16string_view s);
// Equality of two names as the registry and NTFS see them.
bool EqualsNoCase(std::u16string_view a, std::u16string_view b);

// Plain substring test; an empty needle is always found.
bool Contains(std::u16string_view haystack, std::u16string_view needle);

// UTF-8 <-> UTF-16. Invalid input becomes U+FFFD; unpaired surrogates too.
std::string ToUtf8(std::u16string_view s);
std::u16string FromUtf8(std::string_view s);

// One argument of Format, type-tagged so that a conversion only takes the kind it expects.
class FormatArg {
 public:
  enum class Kind { Text, Signed, Unsigned };
  FormatArg(const char16_t* s) : kind_(Kind::Text), text_(s ? s : u"") {}
  FormatArg(const std::u16string& s) : kind_(Kind::Text), text_(s) {}
  FormatArg(std::u16string_view s) : kind_(Kind::Text), text_(s) {}
  FormatArg(int v) : kind_(Kind::Signed), number_(v) {}
  FormatArg(long v) : kind_(Kind::Signed), number_(v) {}
  FormatArg(unsigned v) : kind_(Kind::Unsigned), number_(v) {}
  FormatArg(unsigned long v) : kind_(Kind::Unsigned), number_(static_cast<std::int64_t>(v)) {}
  Kind kind() const { return kind_; }
  std::u16string_view text() const { return text_; }
  std::int64_t number() const { return number_; }

 private:
  Kind kind_;
  std::u16string_view text_;
  std::int64_t number_ = 0;
};

// Formats into `out` (capacity `cap`, terminator included), truncating; returns
// the length written. %s takes text, %d a signed or unsigned number printed as a
// signed 32-bit value, %u an unsigned 32-bit value; an optional '-' and width pad
// with blanks. A conversion whose argument is missing or of the wrong kind is
// copied literally, so a mistake shows in the output instead of reading garbage.
std::size_t FormatV(char16_t* out, std::size_t cap, std::u16string_view format, const FormatArg* args,
                    std::size_t count);

template <typename... Args>
std::size_t Format(char16_t* out, std::size_t cap, std::u16string_view format, const Args&... args) {
  const FormatArg list[] = {FormatArg(args)..., FormatArg(u"")};
  return FormatV(out, cap, format, list, sizeof...(Args));
}

template <std::size_t N, typename... Args>
std::size_t Format(char16_t (&out)[N], std::u16string_view format, const Args&... args) {
  return Format(out, N, format, args...);
}

template <typename... Args>
std::u16string FormatString(std::u16string_view format, const Args&... args) {
  char16_t buffer[4096];
  std::size_t n = Format(buffer, sizeof buffer / sizeof buffer[0], format, args...);
  return std::u16string(buffer, n);
}

}  // namespace text
