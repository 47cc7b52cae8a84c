// The two steps of reading an INF file (inf_parser.h), for the reader's own
// source files.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/offline/formats/inf_parser.h"

namespace offline {

class InfSkeleton {
 public:
  // Takes the file's text (encoding found, mark skipped, cut at Ctrl-Z) and
  // scans it: the sections and where their lines lie, or the first error.
  static std::optional<InfRejection> Scan(const std::vector<std::uint8_t>& bytes, bool requireWin4, InfFile* file);
  // Parses the lines of `section` into the file's buffers.
  static InfFile::LineSpan ParseLines(const InfFile& file, const InfFile::Section& section);

  // Blanks as the parser sees them: space, tab, carriage return and NUL.
  template <typename Char>
  static bool IsBlank(Char c) {
    return c == Char(' ') || c == Char('\t') || c == Char('\r') || c == Char(0);
  }
};

}  // namespace offline
