// A SysInfo.log as lines of text, whatever became of its encoding: the
// report's own UTF-16LE (with or without a byte-order mark), or UTF-8 or the
// ANSI code page after an editor saved it again. Each line keeps its number.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace model {

// No line of a report comes near this; a longer one is not read.
inline constexpr std::size_t kMaxReportLine = 1024;

// The bytes as UTF-16 text: by their byte-order mark, else as Windows judges
// a text file (codecs::DetectEncoding), except that text that is valid UTF-8
// is read as UTF-8 rather than as the ANSI code page. An odd last byte of
// UTF-16 text (a report cut short) is dropped.
std::u16string DecodeReportText(std::string_view bytes);

struct TextLine {
  std::u16string_view text;  // without its line end
  int number = 0;            // 1 = the first line
};

// The lines of a text one after the other, ended by "\r\n", "\n" or "\r"; a
// text that ends in a line end has no empty last line. The views point into
// the text. A copy reads on from the same place.
class LineReader {
 public:
  explicit LineReader(std::u16string_view text) : text_(text) {}
  // The next line; false at the end of the text.
  bool Next(TextLine* line);

 private:
  std::u16string_view text_;
  std::size_t position_ = 0;
  int number_ = 0;
};

// Blanks and tabs in runs become one blank, none at either end.
std::u16string NormalizeBlanks(std::u16string_view line);

}  // namespace model
