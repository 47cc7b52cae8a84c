// The arithmetic of the terminal UI's layout: dialog units to character
// cells, the property sheet's geometry, its tab row and the message box.
#pragma once

#include <string>
#include <vector>

#include "platform/ui.h"

namespace ui::term {

// A dialog unit is a quarter of a character wide and an eighth of one high.
// Rounded to the nearest cell, halves away from zero, as MulDiv rounds.
long DluToColumns(long x);
long DluToRows(long y);
// A template rectangle in cells; edges are converted, not sizes, so that
// neighbouring controls stay neighbours. Never narrower or lower than a cell.
Rect DluRectToCells(int x, int y, int cx, int cy);

// The property sheet. Its client area holds the tab row, the page area under
// it (one column of margin each side) and the button row under the page.
struct SheetLayout {
  long clientWidth = 0, clientHeight = 0;
  Rect tabRow;
  Rect page;
  Rect buttons[4];  // OK, Cancel, Apply Now, Help: right-aligned, left to right
};
constexpr long kSheetButtonWidth = 12;
SheetLayout LayoutSheet(long pageWidth, long pageHeight);

// The tab row: which tabs are shown where. Tabs that do not fit scroll, so
// that the selected one is always shown; `first` is the first shown tab.
struct TabItem {
  std::size_t index;
  long x, width;
};
struct TabRow {
  std::size_t first = 0;
  bool moreLeft = false, moreRight = false;
  std::vector<TabItem> items;
};
TabRow LayoutTabs(const std::vector<std::u16string>& captions, std::size_t selected, std::size_t first, long width);

// The next page for a key: +1 or -1, going round.
std::size_t NextPage(std::size_t current, std::size_t count, int step);

// A message box: wrapped text and a row of buttons, centred.
struct MessageLayout {
  long clientWidth = 0, clientHeight = 0;
  long textLeft = 0;  // column of the text (after the icon, if any)
  std::vector<std::u32string> lines;
  std::vector<Rect> buttons;  // in client coordinates
};
constexpr long kMessageTextWidth = 56;
constexpr long kMessageButtonWidth = 10;
MessageLayout LayoutMessage(const std::u16string& text, const std::u16string& caption, std::size_t buttonCount,
                            bool icon);

}  // namespace ui::term
