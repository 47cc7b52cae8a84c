// The main dialog, the overwrite question and the About box.
#include <cstdio>

#include "tools/uia/uia.h"

namespace uia {
namespace {

constexpr WPARAM kAboutCommand = 16;

constexpr const wchar_t* kQuestion =
    L"Would you like to print out more detailed information about your system to a text file?";
constexpr const wchar_t* kOverwriteQuestion = L"Would you like to overwrite the existing configuration information?";
constexpr const wchar_t* kAboutVersion = L"Fairlock Version 1.0";

// Fails unless a visible static control of `dialog` shows exactly `text`.
void ExpectStatic(HWND dialog, const std::wstring& text) {
  std::string seen;
  for (HWND control : DirectChildren(dialog)) {
    if (_wcsicmp(ClassName(control).c_str(), L"Static") != 0) continue;
    const std::wstring shown = WindowText(control);
    if (shown == text) {
      if (!IsWindowVisible(control)) Fail(Quoted(text) + " is hidden");
      return;
    }
    if (!shown.empty()) seen += (seen.empty() ? "" : ", ") + Quoted(shown);
  }
  Fail("no text " + Quoted(text) + " in " + Quoted(WindowText(dialog)) +
       "; its texts: " + (seen.empty() ? "none" : seen));
}

void ExpectButton(HWND dialog, int id, const std::wstring& text) {
  HWND button = GetDlgItem(dialog, id);
  if (button == nullptr || !IsWindowVisible(button))
    Fail("no visible button " + std::to_string(id) + " in " + Quoted(WindowText(dialog)));
  if (WindowText(button) != text)
    Fail("button " + std::to_string(id) + " reads " + Quoted(WindowText(button)) + ", not " + Quoted(text));
}

}  // namespace

// The main dialog appears only after the sheet has gone, with its question,
// YES and NO.
int CmdWaitMain(const Args& args) {
  if (!args.empty()) Fail("no arguments expected");
  HWND main = WaitForDialog(kMainTitle);
  if (!TopLevelDialogs(kSheetTitle, false).empty()) Fail("the main dialog is visible while the sheet still exists");
  ExpectStatic(main, kQuestion);
  ExpectButton(main, kIdOk, L"YES");
  ExpectButton(main, kIdCancel, L"NO");
  // Its icons cannot be checked from here: WM_GETICON sent from another
  // process answers 0 under Wine even for a window whose icons are set.
  std::printf("main dialog %s shows its question, YES and NO\n", Quoted(kMainTitle).c_str());
  return 0;
}

int CmdPress(const Args& args) {
  if (args.size() != 1 || (args[0] != L"yes" && args[0] != L"no")) Fail("usage: press yes|no");
  HWND main = WaitForDialog(kMainTitle);
  if (args[0] == L"yes")
    PressButton(main, kIdOk, L"YES");
  else
    PressButton(main, kIdCancel, L"NO");
  std::printf("pressed %s\n", Utf8(args[0]).c_str());
  return 0;
}

int CmdAnswerOverwrite(const Args& args) {
  if (args.size() != 1 || (args[0] != L"yes" && args[0] != L"no")) Fail("usage: answer-overwrite yes|no");
  HWND box = WaitForDialog(kOverwriteTitle);
  ExpectStatic(box, kOverwriteQuestion);
  // MB_YESNO: Yes and No, and no Cancel or OK beside them.
  for (int id : {kIdOk, kIdCancel}) {
    HWND other = GetDlgItem(box, id);
    if (other != nullptr && IsWindowVisible(other))
      Fail("the question has a button " + std::to_string(id) + " besides Yes and No");
  }
  HWND owner = GetWindow(box, GW_OWNER);
  if (owner == nullptr || WindowText(owner) != kMainTitle) Fail("the question is not owned by the main dialog");
  PressButton(box, args[0] == L"yes" ? kIdYes : kIdNo, L"");
  WaitUntilGone(box, "the question");
  std::printf("answered %s to %s\n", Utf8(args[0]).c_str(), Quoted(kOverwriteQuestion).c_str());
  return 0;
}

// Sends the system-menu command (16, or any of 17..31 given) and waits for
// the About box.
int CmdAbout(const Args& args) {
  if (args.size() > 1) Fail("usage: about [COMMAND-ID]");
  const WPARAM command = args.empty() ? kAboutCommand : static_cast<WPARAM>(_wtoi(args[0].c_str()));
  HWND main = WaitForDialog(kMainTitle);
  if (!PostMessageW(main, WM_SYSCOMMAND, command, 0)) Fail("cannot post the system command");
  HWND about = WaitForDialog(kAboutTitle);
  ExpectStatic(about, kAboutVersion);
  ExpectButton(about, kIdOk, L"OK");
  std::printf("About box open after system command %u\n", static_cast<unsigned>(command));
  return 0;
}

int CmdCloseAbout(const Args& args) {
  if (!args.empty()) Fail("no arguments expected");
  HWND about = WaitForDialog(kAboutTitle);
  PressButton(about, kIdOk, L"OK");
  WaitUntilGone(about, "the About box");
  std::printf("About box closed\n");
  return 0;
}

}  // namespace uia
