#include "platform/offline/term/ui_layout.h"

#include <algorithm>

#include "platform/offline/term/ui_canvas.h"

namespace ui::term {
namespace {

long RoundDiv(long value, long divisor) {
  return value >= 0 ? (value + divisor / 2) / divisor : -((-value + divisor / 2) / divisor);
}

// Columns from tab `from` to tab `to` inclusive, with one blank between tabs.
long Span(const std::vector<long>& widths, std::size_t from, std::size_t to) {
  long span = 0;
  for (std::size_t i = from; i <= to; ++i) span += widths[i] + (i > from ? 1 : 0);
  return span;
}

}  // namespace

long DluToColumns(long x) { return RoundDiv(x, 4); }
long DluToRows(long y) { return RoundDiv(y, 8); }

Rect DluRectToCells(int x, int y, int cx, int cy) {
  Rect r;
  r.left = DluToColumns(x);
  r.top = DluToRows(y);
  r.right = std::max(DluToColumns(static_cast<long>(x) + cx), r.left + 1);
  r.bottom = std::max(DluToRows(static_cast<long>(y) + cy), r.top + 1);
  return r;
}

SheetLayout LayoutSheet(long pageWidth, long pageHeight) {
  SheetLayout layout;
  pageWidth = std::max(pageWidth, 4 * kSheetButtonWidth + 3);
  pageHeight = std::max(pageHeight, 1L);
  layout.clientWidth = pageWidth + 2;
  layout.clientHeight = pageHeight + 2;
  layout.tabRow = Rect{0, 0, layout.clientWidth, 1};
  layout.page = Rect{1, 1, 1 + pageWidth, 1 + pageHeight};
  const long row = 1 + pageHeight;
  long right = layout.clientWidth - 1;
  for (int i = 3; i >= 0; --i) {
    layout.buttons[i] = Rect{right - kSheetButtonWidth, row, right, row + 1};
    right -= kSheetButtonWidth + 1;
  }
  return layout;
}

TabRow LayoutTabs(const std::vector<std::u16string>& captions, std::size_t selected, std::size_t first, long width) {
  TabRow row;
  const std::size_t n = captions.size();
  if (n == 0 || width <= 0) return row;
  selected = std::min(selected, n - 1);
  std::vector<long> widths;
  for (const std::u16string& caption : captions) widths.push_back(DisplayWidth(ToDisplay(StripMnemonic(caption))) + 2);

  long x = 0;
  if (Span(widths, 0, n - 1) <= width) {
    first = 0;
  } else {
    // One column at each end for the markers of hidden tabs.
    const long room = std::max(width - 2, 1L);
    first = std::min(first, selected);
    while (first < selected && Span(widths, first, selected) > room) ++first;
    while (first > 0 && Span(widths, first - 1, n - 1) <= room) --first;
    x = 1;
    width -= 1;
  }
  row.first = first;
  for (std::size_t i = first; i < n; ++i) {
    if (i > first && x + widths[i] > width) break;
    row.items.push_back(TabItem{i, x, widths[i]});
    x += widths[i] + 1;
  }
  row.moreLeft = first > 0;
  row.moreRight = row.items.empty() || row.items.back().index + 1 < n;
  return row;
}

std::size_t NextPage(std::size_t current, std::size_t count, int step) {
  if (count == 0) return 0;
  current = std::min(current, count - 1);
  return step >= 0 ? (current + 1) % count : (current + count - 1) % count;
}

MessageLayout LayoutMessage(const std::u16string& text, const std::u16string& caption, std::size_t buttonCount,
                            bool icon) {
  MessageLayout layout;
  // Lines break where the text breaks them, then where they are too long.
  std::u16string paragraph;
  auto flush = [&layout, &paragraph] {
    std::vector<std::u32string> wrapped = WrapText(ToDisplay(paragraph), kMessageTextWidth);
    if (wrapped.empty()) wrapped.emplace_back();
    layout.lines.insert(layout.lines.end(), wrapped.begin(), wrapped.end());
    paragraph.clear();
  };
  for (char16_t c : text) {
    if (c == u'\n')
      flush();
    else if (c != u'\r')
      paragraph += c;
  }
  flush();

  long textWidth = 0;
  for (const std::u32string& line : layout.lines)
    textWidth = std::max(textWidth, static_cast<long>(DisplayWidth(line)));
  const long iconWidth = icon ? 4 : 0;
  const long n = static_cast<long>(buttonCount);
  const long buttonsWidth = n > 0 ? n * kMessageButtonWidth + (n - 1) * 2 : 0;
  const long captionWidth = DisplayWidth(ToDisplay(caption)) + 4;
  const long inner = std::max({iconWidth + textWidth, buttonsWidth, captionWidth});
  layout.clientWidth = inner + 4;
  layout.textLeft = 2 + iconWidth;
  const long buttonRow = static_cast<long>(layout.lines.size()) + 2;
  layout.clientHeight = buttonRow + 2;
  long x = (layout.clientWidth - buttonsWidth) / 2;
  for (long i = 0; i < n; ++i) {
    layout.buttons.push_back(Rect{x, buttonRow, x + kMessageButtonWidth, buttonRow + 1});
    x += kMessageButtonWidth + 2;
  }
  return layout;
}

}  // namespace ui::term
