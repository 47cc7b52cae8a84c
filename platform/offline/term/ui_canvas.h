// A grid of character cells that the terminal UI draws its windows into. The
// terminal shows it as it is; tests read it back as text.
#pragma once

#include <string>
#include <vector>

#include "platform/ui.h"

namespace ui::term {

// How a cell looks. The terminal maps these to colours and attributes.
enum class Look : unsigned char { Desktop, Window, Title, Focus, Selected };

struct Cell {
  char32_t ch = U' ';  // 0 in the right half of a double-width character
  Look look = Look::Desktop;
};

class Canvas {
 public:
  Canvas(int width, int height);

  int Width() const { return width_; }
  int Height() const { return height_; }
  const Cell& At(int x, int y) const { return cells_[static_cast<std::size_t>(y) * width_ + x]; }

  // Drawing is clipped to this rectangle (and to the canvas).
  void SetClip(const Rect& clip);
  void ResetClip();

  void Fill(const Rect& rect, Look look);
  // One line of text from (x, y), clipped; returns the column after it.
  int Text(int x, int y, const std::u32string& text, Look look);
  void HLine(int x, int y, int length, Look look);
  // A frame on the rectangle's border cells.
  void Frame(const Rect& rect, Look look);

  // Row `y` as UTF-8, trailing blanks removed.
  std::string RowUtf8(int y) const;

 private:
  void Put(int x, int y, char32_t ch, Look look);
  bool Inside(int x, int y) const;

  int width_, height_;
  Rect clip_;
  std::vector<Cell> cells_;
};

// The text as terminal characters: surrogate pairs joined, control
// characters and broken surrogates shown as U+FFFD, so that nothing read from
// an image can reach the terminal as a control sequence.
std::u32string ToDisplay(const std::u16string& text);

// Windows' mnemonic rule for control texts: "&x" shows "x", "&&" shows "&".
std::u16string StripMnemonic(const std::u16string& text);

// Columns the text takes on the terminal.
int DisplayWidth(const std::u32string& text);

// Breaks the text into lines of at most `width` columns at blanks, as a
// multi-line static control does; a word longer than a line is cut. Blanks
// inside a line are kept, blanks at a break are dropped.
std::vector<std::u32string> WrapText(const std::u32string& text, int width);

}  // namespace ui::term
