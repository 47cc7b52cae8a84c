#include "platform/offline/term/ui_canvas.h"

#include <wchar.h>

#include <algorithm>

namespace ui::term {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

int CharWidth(char32_t c) {
  const int w = wcwidth(static_cast<wchar_t>(c));
  return w < 0 ? 1 : w;  // unknown to the locale: one cell, as the terminal shows it
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

Canvas::Canvas(int width, int height)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      cells_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_)) {
  ResetClip();
}

void Canvas::SetClip(const Rect& clip) {
  clip_.left = std::max(clip.left, 0L);
  clip_.top = std::max(clip.top, 0L);
  clip_.right = std::min(clip.right, static_cast<long>(width_));
  clip_.bottom = std::min(clip.bottom, static_cast<long>(height_));
}

void Canvas::ResetClip() { clip_ = Rect{0, 0, width_, height_}; }

bool Canvas::Inside(int x, int y) const {
  return x >= clip_.left && x < clip_.right && y >= clip_.top && y < clip_.bottom;
}

void Canvas::Put(int x, int y, char32_t ch, Look look) {
  if (!Inside(x, y)) return;
  Cell& cell = cells_[static_cast<std::size_t>(y) * width_ + x];
  // Overwriting half of a double-width character blanks its other half.
  if (cell.ch == 0 && x > 0) cells_[static_cast<std::size_t>(y) * width_ + x - 1].ch = U' ';
  if (x + 1 < width_ && cells_[static_cast<std::size_t>(y) * width_ + x + 1].ch == 0 && ch != 0)
    cells_[static_cast<std::size_t>(y) * width_ + x + 1].ch = U' ';
  cell.ch = ch;
  cell.look = look;
}

void Canvas::Fill(const Rect& rect, Look look) {
  for (long y = rect.top; y < rect.bottom; ++y)
    for (long x = rect.left; x < rect.right; ++x) Put(static_cast<int>(x), static_cast<int>(y), U' ', look);
}

int Canvas::Text(int x, int y, const std::u32string& text, Look look) {
  for (char32_t c : text) {
    const int w = CharWidth(c);
    if (w == 0) continue;
    if (w == 2) {
      // Both halves must be visible, or the terminal would draw it elsewhere.
      if (Inside(x, y) && Inside(x + 1, y)) {
        Put(x, y, c, look);
        Put(x + 1, y, 0, look);
      } else {
        Put(x, y, U' ', look);
        Put(x + 1, y, U' ', look);
      }
    } else {
      Put(x, y, c, look);
    }
    x += w;
  }
  return x;
}

void Canvas::HLine(int x, int y, int length, Look look) {
  for (int i = 0; i < length; ++i) Put(x + i, y, U'─', look);
}

void Canvas::Frame(const Rect& r, Look look) {
  if (r.Width() < 2 || r.Height() < 2) return;
  const int l = static_cast<int>(r.left), t = static_cast<int>(r.top);
  const int rr = static_cast<int>(r.right) - 1, b = static_cast<int>(r.bottom) - 1;
  HLine(l + 1, t, rr - l - 1, look);
  HLine(l + 1, b, rr - l - 1, look);
  for (int y = t + 1; y < b; ++y) {
    Put(l, y, U'│', look);
    Put(rr, y, U'│', look);
  }
  Put(l, t, U'┌', look);
  Put(rr, t, U'┐', look);
  Put(l, b, U'└', look);
  Put(rr, b, U'┘', look);
}

std::string Canvas::RowUtf8(int y) const {
  std::string out;
  if (y < 0 || y >= height_) return out;
  for (int x = 0; x < width_; ++x) {
    const char32_t c = At(x, y).ch;
    if (c != 0) AppendUtf8(out, c);
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

std::u32string ToDisplay(const std::u16string& text) {
  std::u32string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = kReplacement;
    }
    if (c < 0x20 || (c >= 0x7F && c < 0xA0)) c = kReplacement;
    out += c;
  }
  return out;
}

std::u16string StripMnemonic(const std::u16string& text) {
  std::u16string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'&' && i + 1 < text.size())
      ++i;
    else if (text[i] == u'&')
      continue;
    out += text[i];
  }
  return out;
}

int DisplayWidth(const std::u32string& text) {
  int w = 0;
  for (char32_t c : text) w += CharWidth(c);
  return w;
}

std::vector<std::u32string> WrapText(const std::u32string& text, int width) {
  std::vector<std::u32string> lines;
  if (width <= 0) return lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    // The longest prefix that fits.
    std::size_t end = pos;
    int used = 0;
    while (end < text.size() && used + CharWidth(text[end]) <= width) used += CharWidth(text[end++]);
    if (end < text.size()) {
      // Break after the last blank that fits, unless the next character is a blank.
      if (text[end] != U' ') {
        std::size_t blank = text.rfind(U' ', end - 1);
        if (blank != std::u32string::npos && blank > pos)
          end = blank;
        else if (end == pos)
          end = pos + 1;  // a character wider than the line
      }
    }
    std::u32string line = text.substr(pos, end - pos);
    while (!line.empty() && line.back() == U' ') line.pop_back();
    lines.push_back(line);
    pos = end;
    while (pos < text.size() && text[pos] == U' ') ++pos;
  }
  return lines;
}

}  // namespace ui::term
