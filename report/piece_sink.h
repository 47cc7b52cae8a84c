// Appends report pieces to a CTextFile and remembers whether every one of them
// reached the file. CTextFile closes itself on the first failed write, so the
// pieces after it fail too; the sink only has to notice the first failure.
#pragma once

#include <string_view>

#include "files/text_file.h"

namespace report {

class PieceSink {
 public:
  explicit PieceSink(CTextFile& file) : file_(file) {}
  PieceSink(const PieceSink&) = delete;
  PieceSink& operator=(const PieceSink&) = delete;

  // Formats and appends one piece at the end of the file.
  template <typename... Args>
  void Append(std::u16string_view format, const Args&... args) {
    if (file_.Append(format, args...) == 0) complete_ = false;
  }

  // Formats and writes one piece at the current position.
  template <typename... Args>
  void Write(std::u16string_view format, const Args&... args) {
    if (file_.Write(format, args...) == 0) complete_ = false;
  }

  // Records the outcome of a step that is not a piece (opening, closing,
  // a nested block written through its own sink).
  void Note(bool ok) {
    if (!ok) complete_ = false;
  }

  CTextFile& file() { return file_; }
  bool complete() const { return complete_; }

 private:
  CTextFile& file_;
  bool complete_ = true;
};

}  // namespace report
