// Finding the program's windows and reading them from another process.
#include "tools/uia/uia.h"

namespace uia {
namespace {

// A window that does not answer within this time is treated as hung.
constexpr UINT kAnswerMs = 5000;

BOOL CALLBACK CollectTopLevel(HWND hwnd, LPARAM lParam) {
  reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hwnd);
  return TRUE;
}

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM lParam) {
  reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hwnd);
  return TRUE;
}

std::vector<HWND> AllTopLevel() {
  std::vector<HWND> all;
  EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&all));
  return all;
}

}  // namespace

std::wstring WindowText(HWND hwnd) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kAnswerMs, &length))
    Fail("window " + std::to_string(reinterpret_cast<UINT_PTR>(hwnd)) + " does not answer WM_GETTEXTLENGTH");
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]), SMTO_ABORTIFHUNG,
                           kAnswerMs, &copied))
    Fail("window " + std::to_string(reinterpret_cast<UINT_PTR>(hwnd)) + " does not answer WM_GETTEXT");
  text.resize(copied < text.size() ? static_cast<std::size_t>(copied) : text.size() - 1);
  return text;
}

std::wstring ClassName(HWND hwnd) {
  wchar_t name[256] = {};
  int n = GetClassNameW(hwnd, name, 256);
  return std::wstring(name, n > 0 ? static_cast<std::size_t>(n) : 0);
}

bool IsDialogClass(HWND hwnd) { return ClassName(hwnd) == kDialogClass; }

std::vector<HWND> TopLevelDialogs(const std::wstring& title, bool visibleOnly) {
  std::vector<HWND> found;
  for (HWND hwnd : AllTopLevel()) {
    if (visibleOnly && !IsWindowVisible(hwnd)) continue;
    if (!IsDialogClass(hwnd)) continue;
    // GetWindowTextW reads the title kept by the window manager side and
    // never blocks on a busy program; titles are all we need here.
    wchar_t text[256] = {};
    GetWindowTextW(hwnd, text, 256);
    if (title == text) found.push_back(hwnd);
  }
  return found;
}

HWND WaitForDialog(const std::wstring& title) {
  std::vector<HWND> found;
  if (!Poll([&] {
        found = TopLevelDialogs(title, true);
        return !found.empty();
      }))
    Fail("no window " + Quoted(title) + " after " + std::to_string(g_timeoutMs / 1000) +
         " s; visible windows: " + VisibleWindows());
  if (found.size() > 1) Fail(std::to_string(found.size()) + " windows titled " + Quoted(title));
  return found[0];
}

void WaitUntilGone(HWND hwnd, const std::string& what) {
  if (!Poll([&] { return !IsWindow(hwnd); }))
    Fail(what + " still open after " + std::to_string(g_timeoutMs / 1000) + " s");
}

std::string VisibleWindows() {
  std::string out;
  for (HWND hwnd : AllTopLevel()) {
    if (!IsWindowVisible(hwnd)) continue;
    wchar_t text[256] = {};
    GetWindowTextW(hwnd, text, 256);
    if (!out.empty()) out += ", ";
    out += Quoted(text) + " (" + Utf8(ClassName(hwnd)) + ")";
  }
  return out.empty() ? "none" : out;
}

std::vector<HWND> DirectChildren(HWND parent) {
  std::vector<HWND> all, direct;
  EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&all));
  for (HWND hwnd : all)
    if (GetParent(hwnd) == parent) direct.push_back(hwnd);
  return direct;
}

RECT RectInClient(HWND child, HWND parent) {
  RECT r;
  if (!GetWindowRect(child, &r)) Fail("GetWindowRect failed");
  POINT corners[2] = {{r.left, r.top}, {r.right, r.bottom}};
  if (!ScreenToClient(parent, &corners[0]) || !ScreenToClient(parent, &corners[1])) Fail("ScreenToClient failed");
  return RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
}

bool HasControlId(HWND control) {
  const int id = GetDlgCtrlID(control);
  return id != 0 && id != -1 && id != 0xFFFF;
}

void PressButton(HWND dialog, int id, const std::wstring& expectedText) {
  HWND button = GetDlgItem(dialog, id);
  const std::string name = "button " + std::to_string(id) + " of " + Quoted(WindowText(dialog));
  if (button == nullptr) Fail(name + " does not exist");
  if (!IsWindowVisible(button)) Fail(name + " is hidden");
  if (!IsWindowEnabled(button)) Fail(name + " is disabled");
  if (!expectedText.empty() && WindowText(button) != expectedText)
    Fail(name + " reads " + Quoted(WindowText(button)) + ", not " + Quoted(expectedText));
  if (!PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button)))
    Fail("cannot post the click of " + name);
}

}  // namespace uia
