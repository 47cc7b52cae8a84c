// Byte encodings of text, the one place where bytes become UTF-16 text and
// back: UTF-16LE, Windows-1252 (the ANSI code page of the systems inspected),
// UTF-8 through text::FromUtf8, and the byte-order-mark sniffing that picks
// one of them for a text file of unknown encoding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace codecs {

enum class Encoding { kUtf16Le, kUtf8, kWindows1252 };

struct DetectedEncoding {
  Encoding encoding;
  std::size_t bomLength;  // bytes of byte-order mark to skip
};

// How Windows reads a text file of unknown encoding: FF FE is UTF-16LE and
// EF BB BF is UTF-8 (both marks skipped); without a mark, text whose first
// 512 bytes look like UTF-16LE (an even size, more than half of the high
// bytes zero and under a quarter of the low bytes) is UTF-16LE, as
// IsTextUnicode's statistics judge it; anything else is Windows-1252.
DetectedEncoding DetectEncoding(const std::uint8_t* data, std::size_t size);

// The text in the encoding DetectEncoding finds, without its mark.
std::u16string DecodeText(const std::uint8_t* data, std::size_t size);
inline std::u16string DecodeText(const std::vector<std::uint8_t>& bytes) {
  return DecodeText(bytes.data(), bytes.size());
}

// Little-endian 16-bit units; an odd last byte is dropped.
std::u16string DecodeUtf16Le(const std::uint8_t* data, std::size_t size);
// The units of `s` as little-endian bytes, with a two-byte terminator when asked.
std::vector<std::uint8_t> EncodeUtf16Le(std::u16string_view s, bool terminator = false);

// Windows-1252: bytes 0x80-0x9F carry the code page's own characters (the five
// it leaves undefined map to the same code point, as Windows maps them); every
// other byte is the Latin-1 character of the same value.
char16_t FromWindows1252(std::uint8_t byte);
std::u16string DecodeWindows1252(const std::uint8_t* data, std::size_t size);
// The byte for a character, or nothing when the code page has none.
std::optional<std::uint8_t> ToWindows1252(char16_t c);

}  // namespace codecs
