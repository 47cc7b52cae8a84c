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
  // A file with nothing in it yet, for Scan to fill.
  static InfFile NewFile() { return InfFile(); }
  // Takes the file's text (encoding found, mark skipped, cut at Ctrl-Z) and
  // scans it: the sections and where their lines lie, or the first error.
  static std::optional<InfRejection> Scan(std::vector<std::uint8_t>&& bytes, bool requireWin4, InfFile* file);
  // Parses the lines of section `section` into the file's buffers.
  static InfFile::LineSpan ParseLines(const InfFile& file, std::size_t section);

  // Blanks as the parser sees them: space, tab, carriage return and NUL.
  template <typename Char>
  static bool IsBlank(Char c) {
    return c == Char(' ') || c == Char('\t') || c == Char('\r') || c == Char(0);
  }
};

}  // namespace offline
