// The "Driver Information" sheet: wait for it, read every page, check its
// buttons, close it.
#include <algorithm>
#include <cstdio>

#include "tools/uia/uia.h"
// After <windows.h>, which uia.h brings in.
#include <commctrl.h>

namespace uia {
namespace {

HWND Sheet() { return WaitForDialog(kSheetTitle); }

struct PlacedText {
  RECT rect;
  std::wstring text;
};

// The static texts with a control id on one page, top to bottom, then left
// to right: the order of the page's template, which places its rows from
// the top and each row's cells from the left. Group boxes are buttons, and
// the texts without an id are fixed labels, so neither is listed.
std::vector<std::wstring> PageTexts(HWND page) {
  std::vector<PlacedText> placed;
  for (HWND control : DirectChildren(page)) {
    if (_wcsicmp(ClassName(control).c_str(), L"Static") != 0 || !HasControlId(control)) continue;
    RECT r;
    GetWindowRect(control, &r);
    placed.push_back({r, WindowText(control)});
  }
  std::stable_sort(placed.begin(), placed.end(), [](const PlacedText& a, const PlacedText& b) {
    return a.rect.top != b.rect.top ? a.rect.top < b.rect.top : a.rect.left < b.rect.left;
  });
  std::vector<std::wstring> texts;
  for (const PlacedText& p : placed) texts.push_back(p.text);
  return texts;
}

HWND SelectPage(HWND sheet, int index) {
  if (!SendMessageW(sheet, PSM_SETCURSEL, static_cast<WPARAM>(index), 0))
    Fail("the sheet refused to show page " + std::to_string(index));
  HWND page = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
  if (page == nullptr) Fail("no window for page " + std::to_string(index));
  if (!IsWindowVisible(page)) Fail("page " + std::to_string(index) + " is selected but hidden");
  return page;
}

}  // namespace

int CmdWaitSheet(const Args& args) {
  if (!args.empty()) Fail("no arguments expected");
  Sheet();
  // The main dialog runs the sheet from its initialisation, so it must not
  // be visible yet.
  if (!TopLevelDialogs(kMainTitle, true).empty()) Fail("the main dialog is visible while the sheet is open");
  std::printf("sheet %s is open\n", Quoted(kSheetTitle).c_str());
  return 0;
}

// Writes "[caption]", the page's texts and an empty line for every tab, in
// UTF-8 with \n line ends, and leaves the first page selected.
int CmdDumpSheet(const Args& args) {
  if (args.size() != 1) Fail("usage: dump-sheet OUT.txt");
  HWND sheet = Sheet();
  HWND tab = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETTABCONTROL, 0, 0));
  if (tab == nullptr) Fail("the sheet has no tab control");
  const std::vector<std::wstring> captions = TabTexts(tab);
  if (captions.empty()) Fail("the sheet has no pages");
  std::string out;
  for (std::size_t i = 0; i < captions.size(); ++i) {
    HWND page = SelectPage(sheet, static_cast<int>(i));
    const LRESULT shown = SendMessageW(tab, TCM_GETCURSEL, 0, 0);
    if (shown != static_cast<LRESULT>(i))
      Fail("page " + std::to_string(i) + " selected, but tab " + std::to_string(shown) + " is highlighted");
    out += "[" + Utf8(captions[i]) + "]\n";
    for (const std::wstring& text : PageTexts(page)) out += Utf8(text) + "\n";
    out += "\n";
  }
  SelectPage(sheet, 0);
  FILE* f = _wfopen(args[0].c_str(), L"wb");
  if (f == nullptr) Fail("cannot write " + Utf8(args[0]));
  const bool written = std::fwrite(out.data(), 1, out.size(), f) == out.size();
  if (std::fclose(f) != 0 || !written) Fail("cannot write " + Utf8(args[0]));
  std::printf("%u pages written to %s\n", static_cast<unsigned>(captions.size()), Utf8(args[0]).c_str());
  return 0;
}

// Only OK is visible, and it sits where the sheet puts it: its left and right
// edges, in the sheet's client coordinates, are c - h and c + h, where c is
// half the sheet's outer window width and h half OK's original width.
//
// What cannot be seen from outside is OK's original place. A standard sheet
// lays its buttons out in one row, all of one size, and the program only
// hides Cancel, Help and Apply Now and moves OK sideways; so the hidden
// Cancel button still shows the row's top and height and the buttons' width.
// The check therefore demands: OK's top and height equal Cancel's, OK's width
// is Cancel's width rounded down to an even number (2h), and its left edge
// is c - h.
int CmdCheckButtons(const Args& args) {
  if (!args.empty()) Fail("no arguments expected");
  HWND sheet = Sheet();
  HWND tab = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETTABCONTROL, 0, 0));
  const LRESULT pages = tab ? SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0) : 0;
  const struct {
    int id;
    const char* name;
  } hidden[] = {{kIdCancel, "Cancel"}, {kIdHelp, "Help"}, {kIdApplyNow, "Apply Now"}};
  HWND ok = GetDlgItem(sheet, kIdOk);
  if (ok == nullptr) Fail("the sheet has no OK button");
  HWND cancel = GetDlgItem(sheet, kIdCancel);
  if (cancel == nullptr) Fail("the sheet has no Cancel button to take the button row from");
  const RECT cancelRect = RectInClient(cancel, sheet);
  // The buttons must stay as they are on every page.
  for (LRESULT page = pages - 1; page >= 0; --page) {
    SelectPage(sheet, static_cast<int>(page));
    for (const auto& button : hidden) {
      HWND hwnd = GetDlgItem(sheet, button.id);
      if (hwnd != nullptr && IsWindowVisible(hwnd))
        Fail(std::string(button.name) + " button is visible on page " + std::to_string(page));
    }
    if (!IsWindowVisible(ok)) Fail("OK button is hidden on page " + std::to_string(page));
    const RECT now = RectInClient(cancel, sheet);
    if (!EqualRect(&now, &cancelRect)) Fail("the button row moved when page " + std::to_string(page) + " was shown");
  }
  if (WindowText(ok) != L"OK") Fail("OK button reads " + Quoted(WindowText(ok)));

  RECT sheetRect;
  GetWindowRect(sheet, &sheetRect);
  const long c = (sheetRect.right - sheetRect.left) / 2;
  const long h = (cancelRect.right - cancelRect.left) / 2;
  const RECT okRect = RectInClient(ok, sheet);
  char where[300];
  std::snprintf(where, sizeof where,
                "OK at left %ld right %ld top %ld bottom %ld; expected left %ld right %ld top %ld bottom %ld "
                "(sheet width %ld, c %ld, h %ld)",
                okRect.left, okRect.right, okRect.top, okRect.bottom, c - h, c + h, cancelRect.top, cancelRect.bottom,
                sheetRect.right - sheetRect.left, c, h);
  if (okRect.left != c - h || okRect.right != c + h || okRect.top != cancelRect.top ||
      okRect.bottom != cancelRect.bottom)
    Fail(std::string("OK is not centred: ") + where);
  std::printf("buttons ok on %ld pages: %s\n", static_cast<long>(pages), where);
  return 0;
}

// Shows page N (0 = first tab), for a screenshot of it.
int CmdSelectPage(const Args& args) {
  if (args.size() != 1 || args[0].empty() || args[0].find_first_not_of(L"0123456789") != std::wstring::npos)
    Fail("usage: select-page N");
  HWND sheet = Sheet();
  HWND tab = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETTABCONTROL, 0, 0));
  const int index = _wtoi(args[0].c_str());
  const LRESULT count = tab ? SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0) : 0;
  if (index >= count) Fail("the sheet has " + std::to_string(count) + " pages, no page " + std::to_string(index));
  SelectPage(sheet, index);
  std::printf("page %d shown\n", index);
  return 0;
}

int CmdCloseSheet(const Args& args) {
  if (args.size() != 1) Fail("usage: close-sheet ok|esc|close");
  HWND sheet = Sheet();
  const std::wstring how = args[0];
  if (how == L"ok") {
    PressButton(sheet, kIdOk, L"OK");
  } else if (how == L"esc") {
    // Esc goes to the window with the keyboard focus; the sheet's message
    // loop turns it into the Cancel command, as the dialog manager does.
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    HWND target = sheet;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(sheet, nullptr), &info) && info.hwndFocus != nullptr)
      target = info.hwndFocus;
    const LPARAM scan = MapVirtualKeyW(VK_ESCAPE, 0) << 16;
    if (!PostMessageW(target, WM_KEYDOWN, VK_ESCAPE, scan | 1) ||
        !PostMessageW(target, WM_KEYUP, VK_ESCAPE, scan | 1 | 0xC0000000))
      Fail("cannot post Esc");
  } else if (how == L"close") {
    if (!PostMessageW(sheet, WM_SYSCOMMAND, SC_CLOSE, 0)) Fail("cannot post SC_CLOSE");
  } else {
    Fail("close-sheet takes ok, esc or close");
  }
  WaitUntilGone(sheet, "the sheet");
  std::printf("sheet closed with %s\n", Utf8(how).c_str());
  return 0;
}

}  // namespace uia
