// quillon_uia: drives a running Quillon.exe from outside, through Win32 calls
// only, for the end-to-end test under Wine. Each command does one step of a
// scenario and fails with a one-line reason (exit status 1).
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace uia {

// Window titles and texts the program shows.
constexpr const wchar_t* kSheetTitle = L"Driver Information";
constexpr const wchar_t* kMainTitle = L"Fairlock";
constexpr const wchar_t* kOverwriteTitle = L"File Writing";
constexpr const wchar_t* kAboutTitle = L"About Fairlock";
constexpr const wchar_t* kDialogClass = L"#32770";

// Control ids of the buttons the program's windows have.
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;
constexpr int kIdHelp = 9;          // a property sheet's Help button
constexpr int kIdApplyNow = 12321;  // a property sheet's Apply Now button

struct Failure : std::runtime_error {
  using std::runtime_error::runtime_error;
};
[[noreturn]] void Fail(const std::string& why);

// How long every wait lasts before it fails (--timeout SECONDS).
extern DWORD g_timeoutMs;

std::string Utf8(const std::wstring& s);
std::wstring Wide(const std::string& s);
std::string Quoted(const std::wstring& s);  // "text" in UTF-8, for messages

// --- windows.cpp: finding and reading windows -----------------------------
std::wstring WindowText(HWND hwnd);  // WM_GETTEXT, answered by the window's own thread
std::wstring ClassName(HWND hwnd);
bool IsDialogClass(HWND hwnd);
// Top-level windows of the dialog class with exactly this title.
std::vector<HWND> TopLevelDialogs(const std::wstring& title, bool visibleOnly);
// Waits for exactly one visible dialog with this title.
HWND WaitForDialog(const std::wstring& title);
// Waits until the window no longer exists.
void WaitUntilGone(HWND hwnd, const std::string& what);
// One line naming every visible top-level window, for failure messages.
std::string VisibleWindows();
// Direct children of `parent` (not grandchildren), in Z order.
std::vector<HWND> DirectChildren(HWND parent);
// The window rectangle of `child` in the client coordinates of `parent`.
RECT RectInClient(HWND child, HWND parent);
// A control id as a signed number (-1 and 0xFFFF both mean "no id").
bool HasControlId(HWND control);
// Finds the visible, enabled push button `id` of `dialog` and presses it the
// way the button itself reports a click: WM_COMMAND(id, BN_CLICKED) to its dialog.
void PressButton(HWND dialog, int id, const std::wstring& expectedText);
// Polls `done` every 50 ms until it holds or the timeout passes.
template <class Pred>
bool Poll(Pred done) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (done()) return true;
    if (GetTickCount() - start >= g_timeoutMs) return false;
    Sleep(50);
  }
}

// --- remote_text.cpp --------------------------------------------------------
// The texts of a tab control that belongs to another process (TCM_GETITEMW
// needs a buffer in the owner's address space).
std::vector<std::wstring> TabTexts(HWND tab);

// --- commands (one file each group) -----------------------------------------
using Args = std::vector<std::wstring>;
int CmdWaitSheet(const Args& args);
int CmdDumpSheet(const Args& args);
int CmdCheckButtons(const Args& args);
int CmdSelectPage(const Args& args);
int CmdCloseSheet(const Args& args);
int CmdWaitMain(const Args& args);
int CmdPress(const Args& args);
int CmdAnswerOverwrite(const Args& args);
int CmdAbout(const Args& args);
int CmdCloseAbout(const Args& args);
int CmdScreenshot(const Args& args);
int CmdKillViewer(const Args& args);
int CmdWaitExit(const Args& args);

}  // namespace uia
