// Drawing the windows on the canvas: frames with their captions, the sheet's
// tab row, and each control by its kind at its rectangle.
#include <algorithm>
#include <string>

#include "platform/offline/term/ui_display.h"
#include "platform/offline/term/ui_layout.h"
#include "platform/offline/term/term_window.h"
#include "platform/text.h"

namespace ui::term {
namespace {

Display* g_display = nullptr;

std::u16string Number(long n) { return text::FromUtf8(std::to_string(n)); }

Rect Intersect(const Rect& a, const Rect& b) {
  Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

std::u32string ControlText(const Window& w) {
  return ToDisplay((w.controlFlags & kControlNoPrefix) != 0 ? w.text : StripMnemonic(w.text));
}

// A text centred on a line of the rectangle `r` (clipped to it).
void Centred(Canvas& canvas, const Rect& r, long y, const std::u32string& text, Look look) {
  const long x = r.left + std::max(0L, (r.Width() - DisplayWidth(text)) / 2);
  canvas.Text(static_cast<int>(x), static_cast<int>(y), text, look);
}

void DrawButton(Canvas& canvas, const Window& w, const Rect& r, bool focused) {
  const long width = r.Width();
  const long y = r.top + (r.Height() - 1) / 2;
  const Look look = focused ? Look::Focus : Look::Window;
  canvas.Fill(Rect{r.left, y, r.right, y + 1}, look);
  if (width >= 2) {
    canvas.Text(static_cast<int>(r.left), static_cast<int>(y), U"[", look);
    canvas.Text(static_cast<int>(r.right - 1), static_cast<int>(y), U"]", look);
  }
  if (focused && width >= 4) {
    canvas.Text(static_cast<int>(r.left + 1), static_cast<int>(y), U">", look);
    canvas.Text(static_cast<int>(r.right - 2), static_cast<int>(y), U"<", look);
  }
  Centred(canvas, r, y, ControlText(w), look);
}

void DrawControl(Canvas& canvas, const Window& w, const Rect& clip, const Window* focus) {
  const Rect r = ScreenRect(&w);
  canvas.SetClip(clip);
  switch (w.control) {
    case ControlKind::GroupBox:
      if (w.text.empty()) {
        canvas.HLine(static_cast<int>(r.left), static_cast<int>(r.top), static_cast<int>(r.Width()), Look::Window);
      } else {
        canvas.Frame(r, Look::Window);
        canvas.Text(static_cast<int>(r.left + 1), static_cast<int>(r.top), U" " + ControlText(w) + U" ", Look::Window);
      }
      break;
    case ControlKind::StaticText: {
      // A one-line static shows its line up to the edge of its dialog: a cell
      // is wider than the dialog font's average character, so a line that
      // fits its control on Windows may be longer than the control here.
      // Taller statics wrap their text at blanks within the control.
      const std::u32string text = ControlText(w);
      if (r.Height() <= 1) {
        canvas.Text(static_cast<int>(r.left), static_cast<int>(r.top), text, Look::Window);
        break;
      }
      const std::vector<std::u32string> lines = WrapText(text, static_cast<int>(r.Width()));
      canvas.SetClip(Intersect(clip, r));
      for (std::size_t i = 0; i < lines.size() && static_cast<long>(i) < r.Height(); ++i)
        canvas.Text(static_cast<int>(r.left), static_cast<int>(r.top + static_cast<long>(i)), lines[i], Look::Window);
      break;
    }
    case ControlKind::DefPushButton:
    case ControlKind::PushButton:
      DrawButton(canvas, w, Intersect(r, clip), &w == focus);
      break;
    case ControlKind::Icon:
    case ControlKind::Bitmap: {
      // What a text screen shows instead of the picture, in the middle of what is visible of it.
      const Rect visible = Intersect(r, clip);
      canvas.SetClip(visible);
      Centred(canvas, visible, visible.top + (visible.Height() - 1) / 2, ToDisplay(w.text), Look::Window);
      break;
    }
  }
}

void DrawChildren(Canvas& canvas, const Window& parent, const Rect& clip, const Window* focus) {
  // The first control is on top, as in a dialog.
  for (auto it = parent.children.rbegin(); it != parent.children.rend(); ++it) {
    const Window& child = **it;
    if (!child.visible) continue;
    if (child.kind == WindowKind::Control) {
      DrawControl(canvas, child, clip, focus);
    } else {
      DrawChildren(canvas, child, Intersect(clip, ClientScreenRect(&child)), focus);
    }
  }
}

void DrawTabs(Canvas& canvas, Window& sheetWindow, const Rect& client) {
  std::vector<std::u16string> captions;
  for (CPropertyPage* page : sheetWindow.sheet->Pages()) captions.push_back(page->Caption());
  // One column of margin at each end, as the page area has.
  const TabRow row = LayoutTabs(captions, sheetWindow.page, sheetWindow.firstTab, client.Width() - 2);
  sheetWindow.firstTab = row.first;
  canvas.SetClip(client);
  const int y = static_cast<int>(client.top);
  for (const TabItem& item : row.items) {
    const bool selected = item.index == sheetWindow.page;
    const std::u32string caption = ToDisplay(StripMnemonic(captions[item.index]));
    const std::u32string label = selected ? U"[" + caption + U"]" : U" " + caption + U" ";
    canvas.Text(static_cast<int>(client.left + 1 + item.x), y, label, selected ? Look::Selected : Look::Window);
  }
  if (row.moreLeft) canvas.Text(static_cast<int>(client.left + 1), y, U"<", Look::Window);
  if (row.moreRight) canvas.Text(static_cast<int>(client.right - 2), y, U">", Look::Window);
}

void DrawTopLevel(Canvas& canvas, Window& w) {
  const Rect r = w.rect;
  canvas.ResetClip();
  canvas.Fill(r, Look::Window);
  canvas.Frame(r, Look::Window);
  canvas.SetClip(Rect{r.left + 1, r.top, r.right - 1, r.bottom});
  if (!w.text.empty()) Centred(canvas, r, r.top, U" " + ToDisplay(w.text) + U" ", Look::Title);
  if (!w.hint.empty()) Centred(canvas, r, r.bottom - 1, U" " + ToDisplay(w.hint) + U" ", Look::Window);
  const Rect client = ClientScreenRect(&w);
  if (w.kind == WindowKind::Sheet && w.sheet != nullptr) DrawTabs(canvas, w, client);
  DrawChildren(canvas, w, client, w.focus);
  canvas.ResetClip();
}

}  // namespace

Display* CurrentDisplay() { return g_display; }
void SetCurrentDisplay(Display* display) { g_display = display; }

void RequiredSize(long* width, long* height) {
  *width = 0;
  *height = 0;
  for (const auto& w : TopLevelWindows()) {
    if (!w->visible) continue;
    *width = std::max(*width, w->rect.Width());
    *height = std::max(*height, w->rect.Height());
  }
}

Canvas RenderScreen(int width, int height) {
  Canvas canvas(width, height);
  CentreTopLevels(width, height);
  canvas.Fill(Rect{0, 0, width, height}, Look::Desktop);
  long needWidth = 0, needHeight = 0;
  RequiredSize(&needWidth, &needHeight);
  if (width < needWidth || height < needHeight) {
    const std::u16string note = u"Enlarge the terminal to at least " + Number(needWidth) + u"x" + Number(needHeight) +
                                u" (it is " + Number(width) + u"x" + Number(height) + u" now).";
    const std::vector<std::u32string> lines = WrapText(ToDisplay(note), width);
    const long top = std::max(0L, (height - static_cast<long>(lines.size())) / 2);
    for (std::size_t i = 0; i < lines.size(); ++i)
      Centred(canvas, Rect{0, 0, width, height}, top + static_cast<long>(i), lines[i], Look::Desktop);
    return canvas;
  }
  for (const auto& w : TopLevelWindows())
    if (w->visible) DrawTopLevel(canvas, *w);
  return canvas;
}

}  // namespace ui::term
