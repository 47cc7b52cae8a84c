#include "platform/codecs.h"

#include <cstring>

#include "platform/text.h"

namespace codecs {
namespace {

// Characters of Windows-1252 bytes 0x80 to 0x9F.
constexpr char16_t kWindows1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                           0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                           0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                           0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr std::size_t kSniffBytes = 512;

bool LooksLikeUtf16Le(const std::uint8_t* data, std::size_t size) {
  if (size < 2 || size % 2 != 0) return false;
  const std::size_t n = size < kSniffBytes ? size : kSniffBytes;
  std::size_t zeroHigh = 0, zeroLow = 0;
  for (std::size_t i = 0; i + 1 < n; i += 2) {
    if (data[i] == 0) ++zeroLow;
    if (data[i + 1] == 0) ++zeroHigh;
  }
  const std::size_t units = n / 2;
  return zeroHigh * 2 > units && zeroLow * 4 < units;
}

}  // namespace

DetectedEncoding DetectEncoding(const std::uint8_t* data, std::size_t size) {
  if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) return {Encoding::kUtf16Le, 2};
  if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) return {Encoding::kUtf8, 3};
  if (LooksLikeUtf16Le(data, size)) return {Encoding::kUtf16Le, 0};
  return {Encoding::kWindows1252, 0};
}

std::u16string DecodeText(const std::uint8_t* data, std::size_t size) {
  const DetectedEncoding found = DetectEncoding(data, size);
  const std::uint8_t* body = data + found.bomLength;
  const std::size_t length = size - found.bomLength;
  switch (found.encoding) {
    case Encoding::kUtf16Le:
      return DecodeUtf16Le(body, length);
    case Encoding::kUtf8:
      return text::FromUtf8(std::string_view(reinterpret_cast<const char*>(body), length));
    case Encoding::kWindows1252:
      break;
  }
  return DecodeWindows1252(body, length);
}

// Both decoders size the text once and fill it in place: they run over whole
// files of up to several megabytes.
std::u16string DecodeUtf16Le(const std::uint8_t* data, std::size_t size) {
  std::u16string out(size / 2, u'\0');
  char16_t* to = out.data();
  const std::uint16_t one = 1;
  std::uint8_t low = 0;
  std::memcpy(&low, &one, 1);
  if (low == 1) {  // a little-endian host holds UTF-16LE as it is
    if (!out.empty()) std::memcpy(to, data, out.size() * sizeof(char16_t));
    return out;
  }
  for (std::size_t i = 0; i < out.size(); ++i) {
    to[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  }
  return out;
}

std::vector<std::uint8_t> EncodeUtf16Le(std::u16string_view s, bool terminator) {
  std::vector<std::uint8_t> out;
  out.reserve(2 * s.size() + 2);
  for (char16_t c : s) {
    out.push_back(static_cast<std::uint8_t>(c & 0xFF));
    out.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  if (terminator) out.insert(out.end(), {0, 0});
  return out;
}

char16_t FromWindows1252(std::uint8_t byte) {
  return (byte >= 0x80 && byte < 0xA0) ? kWindows1252High[byte - 0x80] : static_cast<char16_t>(byte);
}

std::u16string DecodeWindows1252(const std::uint8_t* data, std::size_t size) {
  std::u16string out(size, u'\0');
  char16_t* to = out.data();
  for (std::size_t i = 0; i < size; ++i) {
    const std::uint8_t byte = data[i];
    to[i] = (byte >= 0x80 && byte < 0xA0) ? kWindows1252High[byte - 0x80] : static_cast<char16_t>(byte);
  }
  return out;
}

std::optional<std::uint8_t> ToWindows1252(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<std::uint8_t>(c);
  for (std::uint8_t i = 0; i < 32; ++i) {
    if (kWindows1252High[i] == c) return static_cast<std::uint8_t>(0x80 + i);
  }
  return std::nullopt;
}

}  // namespace codecs
