// CWnd and CMenu over the terminal UI's windows. A null or stale handle is a
// window that does not exist: queries answer empty, changes do nothing.
#include "platform/offline/term/ui_canvas.h"
#include "platform/offline/term/term_window.h"

namespace ui {
namespace {

using term::Window;

Window* TopLevelOf(Window* w) {
  while (w != nullptr && w->parent != nullptr) w = w->parent;
  return w;
}

void UpdateMenuHint(Window* w) {
  std::u16string hint;
  char16_t key = u'2';
  for (const term::MenuEntry& entry : w->systemMenu) {
    if ((entry.flags & kMfSeparator) != 0 || key > u'9') continue;
    if (!hint.empty()) hint += u"  ";
    hint += u"F";
    hint += key++;
    hint += u" " + term::StripMnemonic(entry.text);
  }
  w->hint = hint;
}

}  // namespace

bool CMenu::AppendMenuItem(unsigned flags, unsigned id, const char16_t* text) {
  Window* w = term::FromMenu(m_hMenu);
  if (w == nullptr) return false;
  if ((flags & kMfSeparator) == 0 && text == nullptr) return false;
  w->systemMenu.push_back(term::MenuEntry{flags, id, text != nullptr ? text : u""});
  if (w->kind == term::WindowKind::Dialog) UpdateMenuHint(w);
  return true;
}

Rect CWnd::GetWindowRect() const {
  const Window* w = term::FromHandle(m_hWnd);
  return w != nullptr ? term::ScreenRect(w) : Rect{};
}

Rect CWnd::GetClientRect() const {
  const Window* w = term::FromHandle(m_hWnd);
  if (w == nullptr) return Rect{};
  const Rect client = term::ClientScreenRect(w);
  return Rect{0, 0, client.Width(), client.Height()};
}

void CWnd::ScreenToClient(Rect& rect) const {
  const Window* w = term::FromHandle(m_hWnd);
  if (w == nullptr) return;
  const Rect client = term::ClientScreenRect(w);
  rect.left -= client.left;
  rect.right -= client.left;
  rect.top -= client.top;
  rect.bottom -= client.top;
}

void CWnd::MoveWindow(const Rect& rect, bool) {
  if (Window* w = term::FromHandle(m_hWnd)) w->rect = rect;
}

void CWnd::ShowWindow(int command) {
  Window* w = term::FromHandle(m_hWnd);
  if (w == nullptr) return;
  w->visible = command != kSwHide;
  if (!w->visible) {
    // A hidden button cannot keep the focus.
    Window* top = TopLevelOf(w);
    for (Window* f = top->focus; f != nullptr; f = f->parent)
      if (f == w) top->focus = nullptr;
  }
}

bool CWnd::IsWindowVisible() const {
  const Window* w = term::FromHandle(m_hWnd);
  return w != nullptr && term::IsVisibleOnScreen(w);
}

bool CWnd::IsIconic() const { return false; }  // a terminal window is never minimised

CWnd CWnd::GetWindow(unsigned command) const {
  const Window* w = term::FromHandle(m_hWnd);
  if (w == nullptr || command != kGwOwner || w->parent != nullptr) return CWnd();
  return CWnd(term::FromHandle(w->owner));
}

CWnd CWnd::GetParent() const {
  const Window* w = term::FromHandle(m_hWnd);
  if (w == nullptr) return CWnd();
  return CWnd(term::FromHandle(w->parent != nullptr ? w->parent : w->owner));
}

CWnd CWnd::GetDlgItem(int id) const {
  const Window* w = term::FromHandle(m_hWnd);
  return CWnd(w != nullptr ? term::ChildById(w, id) : nullptr);
}

void CWnd::SetItemText(int id, const std::u16string& text) {
  const Window* w = term::FromHandle(m_hWnd);
  if (w == nullptr) return;
  if (Window* item = term::ChildById(w, id)) item->text = text;
}

std::intptr_t CWnd::SendMsg(unsigned, std::uintptr_t, std::intptr_t) { return 0; }

CMenu CWnd::GetSystemMenu(bool revert) const {
  Window* w = term::FromHandle(m_hWnd);
  if (w == nullptr || w->parent != nullptr) return CMenu();
  if (revert) {
    w->systemMenu.clear();
    if (w->kind == term::WindowKind::Dialog) UpdateMenuHint(w);
    return CMenu();
  }
  return CMenu(term::MenuOf(w));
}

}  // namespace ui
