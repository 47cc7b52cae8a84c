// Windows, menus, painting, resources and message boxes: forwarded to user32.
// A CWnd without a handle (GetDlgItem of a control that does not exist) does
// nothing and answers with empty results.
#include "platform/ui.h"
#include "platform/win32/ui_driver.h"

#include <windows.h>

namespace ui {
namespace {

HWND H(WindowHandle handle) { return static_cast<HWND>(handle); }
LPCWSTR W(const char16_t* text) { return reinterpret_cast<LPCWSTR>(text); }

Rect FromRect(const RECT& r) {
  Rect rect;
  rect.left = r.left;
  rect.top = r.top;
  rect.right = r.right;
  rect.bottom = r.bottom;
  return rect;
}

}  // namespace

namespace win32 {

void* ResourceModule() { return GetModuleHandleW(nullptr); }

WindowHandle ModalOwner(const CWnd* parent, const CWnd* self) {
  HWND owner = nullptr;
  if (parent != nullptr) {
    owner = H(parent->GetSafeHwnd());
  } else if (CWinApp* app = CurrentApp(); app != nullptr && app->m_pMainWnd != nullptr && app->m_pMainWnd != self) {
    owner = H(app->m_pMainWnd->GetSafeHwnd());
  }
  // A popup cannot be owned by a child window: take its top-level window.
  if (owner != nullptr) owner = GetAncestor(owner, GA_ROOT);
  return owner;
}

}  // namespace win32

bool CMenu::AppendMenuItem(unsigned flags, unsigned id, const char16_t* text) {
  if (m_hMenu == nullptr) return false;
  return AppendMenuW(static_cast<HMENU>(m_hMenu), flags, id, W(text)) != FALSE;
}

Rect CWnd::GetWindowRect() const {
  RECT r{};
  if (m_hWnd != nullptr && !::GetWindowRect(H(m_hWnd), &r)) r = RECT{};
  return FromRect(r);
}

Rect CWnd::GetClientRect() const {
  RECT r{};
  if (m_hWnd != nullptr && !::GetClientRect(H(m_hWnd), &r)) r = RECT{};
  return FromRect(r);
}

void CWnd::ScreenToClient(Rect& rect) const {
  if (m_hWnd == nullptr) return;
  POINT corners[2] = {{rect.left, rect.top}, {rect.right, rect.bottom}};
  ::ScreenToClient(H(m_hWnd), &corners[0]);
  ::ScreenToClient(H(m_hWnd), &corners[1]);
  rect.left = corners[0].x;
  rect.top = corners[0].y;
  rect.right = corners[1].x;
  rect.bottom = corners[1].y;
}

void CWnd::MoveWindow(const Rect& rect, bool repaint) {
  if (m_hWnd == nullptr) return;
  ::MoveWindow(H(m_hWnd), rect.left, rect.top, rect.Width(), rect.Height(), repaint ? TRUE : FALSE);
}

void CWnd::ShowWindow(int command) {
  if (m_hWnd != nullptr) ::ShowWindow(H(m_hWnd), command);
}

bool CWnd::IsWindowVisible() const { return m_hWnd != nullptr && ::IsWindowVisible(H(m_hWnd)); }

bool CWnd::IsIconic() const { return m_hWnd != nullptr && ::IsIconic(H(m_hWnd)); }

CWnd CWnd::GetWindow(unsigned command) const {
  return CWnd(m_hWnd != nullptr ? ::GetWindow(H(m_hWnd), command) : nullptr);
}

CWnd CWnd::GetParent() const { return CWnd(m_hWnd != nullptr ? ::GetParent(H(m_hWnd)) : nullptr); }

CWnd CWnd::GetDlgItem(int id) const { return CWnd(m_hWnd != nullptr ? ::GetDlgItem(H(m_hWnd), id) : nullptr); }

void CWnd::SetItemText(int id, const std::u16string& text) {
  if (m_hWnd != nullptr) SetDlgItemTextW(H(m_hWnd), id, W(text.c_str()));
}

std::intptr_t CWnd::SendMsg(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
  if (m_hWnd == nullptr) return 0;
  return SendMessageW(H(m_hWnd), message, wParam, lParam);
}

CMenu CWnd::GetSystemMenu(bool revert) const {
  return CMenu(m_hWnd != nullptr ? ::GetSystemMenu(H(m_hWnd), revert ? TRUE : FALSE) : nullptr);
}

CPaintDC::CPaintDC(CWnd& window) : window_(window) {
  if (window_.GetSafeHwnd() == nullptr) return;
  auto* paint = new PAINTSTRUCT{};
  state_ = paint;
  hdc_ = BeginPaint(H(window_.GetSafeHwnd()), paint);
}

CPaintDC::~CPaintDC() {
  auto* paint = static_cast<PAINTSTRUCT*>(state_);
  if (paint == nullptr) return;
  EndPaint(H(window_.GetSafeHwnd()), paint);
  delete paint;
}

void CPaintDC::DrawIcon(int x, int y, IconHandle icon) {
  if (hdc_ != nullptr && icon != nullptr) ::DrawIcon(static_cast<HDC>(hdc_), x, y, static_cast<HICON>(icon));
}

std::u16string LoadStringResource(int id) {
  // With a zero buffer size LoadStringW hands out a pointer to the resource's
  // own text, which is not terminated; the result is its length.
  const wchar_t* resource = nullptr;
  const int length = LoadStringW(static_cast<HINSTANCE>(win32::ResourceModule()), static_cast<UINT>(id),
                                 reinterpret_cast<LPWSTR>(&resource), 0);
  if (length <= 0 || resource == nullptr) return std::u16string();
  return std::u16string(reinterpret_cast<const char16_t*>(resource), static_cast<std::size_t>(length));
}

IconHandle LoadIconResource(int id) {
  return LoadIconW(static_cast<HINSTANCE>(win32::ResourceModule()), MAKEINTRESOURCEW(id));
}

int GetSystemMetrics(int index) { return ::GetSystemMetrics(index); }

int ShowMessageBox(CWnd* owner, const char16_t* text, const char16_t* caption, unsigned type) {
  HWND hwnd = owner != nullptr ? H(owner->GetSafeHwnd()) : H(win32::ModalOwner(nullptr, nullptr));
  return MessageBoxW(hwnd, W(text != nullptr ? text : u""), caption != nullptr ? W(caption) : nullptr, type);
}

}  // namespace ui
