// The property sheet: comctl32's PropertySheetW with one page per CPropertyPage
// from the module's dialog resources. The sheet object gets its window when
// comctl32 reports the sheet initialised (PSCB_INITIALIZED), before it is
// shown; each page gets its window on its WM_INITDIALOG.
#include "platform/ui.h"
#include "platform/win32/ui_driver.h"

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <vector>

namespace ui {
namespace {

// One modal run of a sheet.
struct SheetRun {
  CPropertySheet* sheet;
  bool applied = false;  // the pages were told to apply: OK ended the sheet
};

// What a page's PROPSHEETPAGEW.lParam points to.
struct PageLink {
  CPropertyPage* page;
  SheetRun* run;
};

// The sheet between PropertySheetW and its PSCB_INITIALIZED callback, which
// carries no parameter of ours. Both happen before the sheet's message loop,
// so no second sheet can start in between.
SheetRun* g_starting = nullptr;

constexpr DWORD kDialogStyleContextHelp = DS_CONTEXTHELP;

// The sheet's own template, before its window is created: no "?" caption
// button, since these sheets have no help.
void RemoveContextHelp(LPARAM lParam) {
  auto* words = reinterpret_cast<WORD*>(lParam);
  if (words == nullptr) return;
  DWORD* style;
  if (words[0] == 1 && words[1] == 0xFFFF) {
    style = reinterpret_cast<DWORD*>(words + 6);  // DLGTEMPLATEEX: dlgVer, signature, helpID, exStyle, style
  } else {
    style = reinterpret_cast<DWORD*>(words);  // DLGTEMPLATE: style first
  }
  DWORD value;
  CopyMemory(&value, style, sizeof value);
  value &= ~kDialogStyleContextHelp;
  CopyMemory(style, &value, sizeof value);
}

int CALLBACK SheetCallback(HWND hwnd, UINT message, LPARAM lParam) {
  if (message == PSCB_PRECREATE) {
    RemoveContextHelp(lParam);
  } else if (message == PSCB_INITIALIZED && g_starting != nullptr) {
    SheetRun* run = g_starting;
    g_starting = nullptr;
    WindowDriver::Attach(*run->sheet, hwnd);
    WindowDriver::InitSheet(*run->sheet);
  }
  return 0;
}

INT_PTR CALLBACK PageProc(HWND hwnd, UINT message, WPARAM, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    const auto* sheetPage = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
    if (sheetPage == nullptr) return TRUE;
    auto* link = reinterpret_cast<PageLink*>(sheetPage->lParam);
    SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(link));
    WindowDriver::Attach(*link->page, hwnd);
    return WindowDriver::InitDialog(*link->page) ? TRUE : FALSE;
  }
  auto* link = reinterpret_cast<PageLink*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  if (link == nullptr) return FALSE;
  switch (message) {
    case WM_NOTIFY:
      // Every other notification keeps comctl32's default answer (0: leave
      // the page, apply without error, allow cancel).
      if (reinterpret_cast<const NMHDR*>(lParam)->code == static_cast<UINT>(PSN_APPLY)) link->run->applied = true;
      return FALSE;
    case WM_NCDESTROY:
      SetWindowLongPtrW(hwnd, DWLP_USER, 0);
      WindowDriver::Attach(*link->page, nullptr);
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

CPropertySheet::~CPropertySheet() = default;

std::intptr_t CPropertySheet::DoModal() {
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_TAB_CLASSES};
  InitCommonControlsEx(&controls);

  const HINSTANCE module = static_cast<HINSTANCE>(win32::ResourceModule());
  SheetRun run{this};
  std::vector<PageLink> links;
  std::vector<PROPSHEETPAGEW> sheetPages;
  links.reserve(pages_.size());
  for (CPropertyPage* page : pages_) links.push_back(PageLink{page, &run});
  for (PageLink& link : links) {
    PROPSHEETPAGEW sheetPage{};
    sheetPage.dwSize = sizeof sheetPage;
    sheetPage.dwFlags = PSP_DEFAULT;  // the tab shows the template's caption
    sheetPage.hInstance = module;
    sheetPage.pszTemplate = MAKEINTRESOURCEW(link.page->Template().id);
    sheetPage.pfnDlgProc = PageProc;
    sheetPage.lParam = reinterpret_cast<LPARAM>(&link);
    sheetPages.push_back(sheetPage);
  }

  PROPSHEETHEADERW header{};
  header.dwSize = sizeof header;
  header.dwFlags = PSH_PROPSHEETPAGE | PSH_USECALLBACK;
  header.hwndParent = static_cast<HWND>(win32::ModalOwner(WindowDriver::Parent(*this), this));
  header.hInstance = module;
  header.pszCaption = reinterpret_cast<LPCWSTR>(caption_.c_str());
  header.nPages = static_cast<UINT>(sheetPages.size());
  header.nStartPage = selectPage_ < sheetPages.size() ? selectPage_ : 0;
  header.ppsp = sheetPages.data();
  header.pfnCallback = SheetCallback;

  SheetRun* outer = g_starting;
  g_starting = &run;
  const INT_PTR result = PropertySheetW(&header);
  g_starting = outer;
  m_hWnd = nullptr;
  if (result < 0) return -1;
  return run.applied ? kIdOk : kIdCancel;
}

}  // namespace ui
