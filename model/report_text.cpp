#include "model/report_text.h"

#include "platform/text.h"

namespace model {
namespace {

enum class Encoding { kUtf16Le, kUtf16Be, kUtf8 };

// Without a byte-order mark: UTF-16 shows as a zero byte in most pairs of its
// first kilobytes (the report is ASCII), on the high side of each unit.
Encoding GuessEncoding(std::string_view bytes) {
  const std::size_t sample = bytes.size() < 4096 ? bytes.size() : 4096;
  std::size_t zeroLow = 0;
  std::size_t zeroHigh = 0;
  for (std::size_t i = 0; i + 1 < sample; i += 2) {
    if (bytes[i] == 0) ++zeroLow;
    if (bytes[i + 1] == 0) ++zeroHigh;
  }
  const std::size_t pairs = sample / 2;
  if (pairs > 0 && zeroHigh * 4 >= pairs && zeroHigh > zeroLow) return Encoding::kUtf16Le;
  if (pairs > 0 && zeroLow * 4 >= pairs && zeroLow > zeroHigh) return Encoding::kUtf16Be;
  return Encoding::kUtf8;
}

std::u16string DecodeUtf16(std::string_view bytes, bool littleEndian) {
  std::u16string out;
  out.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const unsigned char a = static_cast<unsigned char>(bytes[i]);
    const unsigned char b = static_cast<unsigned char>(bytes[i + 1]);
    out += static_cast<char16_t>(littleEndian ? (a | b << 8) : (b | a << 8));
  }
  return out;
}

bool StartsWith(std::string_view bytes, std::string_view prefix) { return bytes.substr(0, prefix.size()) == prefix; }

}  // namespace

std::u16string DecodeReportText(std::string_view bytes) {
  if (StartsWith(bytes, "\xFF\xFE")) return DecodeUtf16(bytes.substr(2), true);
  if (StartsWith(bytes, "\xFE\xFF")) return DecodeUtf16(bytes.substr(2), false);
  if (StartsWith(bytes, "\xEF\xBB\xBF")) return text::FromUtf8(bytes.substr(3));
  switch (GuessEncoding(bytes)) {
    case Encoding::kUtf16Le:
      return DecodeUtf16(bytes, true);
    case Encoding::kUtf16Be:
      return DecodeUtf16(bytes, false);
    case Encoding::kUtf8:
      break;
  }
  return text::FromUtf8(bytes);
}

std::vector<TextLine> SplitLines(std::u16string_view text) {
  std::vector<TextLine> lines;
  std::size_t start = 0;
  int number = 1;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != u'\r' && text[i] != u'\n') continue;
    lines.push_back({text.substr(start, i - start), number++});
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back({text.substr(start), number});
  return lines;
}

std::u16string NormalizeBlanks(std::u16string_view line) {
  std::u16string out;
  out.reserve(line.size());
  bool blank = false;
  for (char16_t c : line) {
    if (c == u' ' || c == u'\t') {
      blank = !out.empty();
      continue;
    }
    if (blank) out += u' ';
    blank = false;
    out += c;
  }
  return out;
}

}  // namespace model
