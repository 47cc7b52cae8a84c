#include "model/report_text.h"

#include <cstdint>

#include "platform/codecs.h"
#include "platform/text.h"

namespace model {
namespace {

// Whether the bytes are well-formed UTF-8 (overlong forms and surrogates aside).
bool IsUtf8(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    const std::size_t extra = c < 0x80             ? 0
                              : (c & 0xE0) == 0xC0 ? 1
                              : (c & 0xF0) == 0xE0 ? 2
                              : (c & 0xF8) == 0xF0 ? 3
                                                   : 4;
    if (extra == 4 || i + extra >= bytes.size()) return false;
    for (std::size_t k = 1; k <= extra; ++k) {
      if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return false;
    }
    i += extra + 1;
  }
  return true;
}

}  // namespace

std::u16string DecodeReportText(std::string_view bytes) {
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  // A report cut short may end inside a 16-bit unit: its encoding is judged
  // without that odd byte, which decoding then drops.
  const codecs::DetectedEncoding detected = codecs::DetectEncoding(data, bytes.size() - bytes.size() % 2);
  const std::string_view text = bytes.substr(detected.bomLength);
  switch (detected.encoding) {
    case codecs::Encoding::kUtf16Le:
      return codecs::DecodeUtf16Le(data + detected.bomLength, text.size());
    case codecs::Encoding::kUtf8:
      return text::FromUtf8(text);
    case codecs::Encoding::kWindows1252:
      break;
  }
  // Saved again by an editor without a mark: UTF-8 where it is that, else the ANSI code page.
  if (IsUtf8(text)) return text::FromUtf8(text);
  return codecs::DecodeWindows1252(data, bytes.size());
}

bool LineReader::Next(TextLine* line) {
  if (position_ >= text_.size()) return false;
  std::size_t end = position_;
  while (end < text_.size() && text_[end] != u'\r' && text_[end] != u'\n') ++end;
  line->text = text_.substr(position_, end - position_);
  line->number = ++number_;
  position_ = end + 1;
  if (end + 1 < text_.size() && text_[end] == u'\r' && text_[end + 1] == u'\n') ++position_;
  return true;
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
