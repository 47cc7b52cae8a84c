// Modal dialogs run by the Windows dialog manager from the module's dialog
// resources. One dialog procedure serves every CDialog: it keeps the object
// in DWLP_USER and hands the messages the classes handle to their virtual
// operations; what they leave to Default() goes to the dialog manager.
#include "platform/ui.h"
#include "platform/win32/ui_driver.h"

#include <windows.h>

namespace ui {
namespace {

HWND H(WindowHandle handle) { return static_cast<HWND>(handle); }

// Command notifications that mean "the command was chosen": a button click
// (BN_CLICKED, also a menu choice) or an accelerator.
bool IsChosen(WPARAM wParam) { return HIWORD(wParam) == BN_CLICKED || HIWORD(wParam) == 1; }

INT_PTR Dispatch(CDialog& dialog, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (!IsChosen(wParam)) return FALSE;
      switch (LOWORD(wParam)) {
        case kIdOk:
          WindowDriver::Ok(dialog);
          return TRUE;
        case kIdCancel:
          WindowDriver::Cancel(dialog);
          return TRUE;
        case kIdHelpCommand:
          if (CWinApp* app = win32::CurrentApp()) app->OnHelp();
          return TRUE;
        default:
          return FALSE;
      }
    case WM_SYSCOMMAND:
      return WindowDriver::SysCommand(dialog, static_cast<unsigned>(wParam), lParam) ? FALSE : TRUE;
    case WM_PAINT:
      return WindowDriver::Paint(dialog) ? FALSE : TRUE;
    case WM_QUERYDRAGICON: {
      IconHandle icon = nullptr;
      if (WindowDriver::QueryDragIcon(dialog, &icon)) return FALSE;
      return reinterpret_cast<INT_PTR>(icon);  // answered directly, not through DWLP_MSGRESULT
    }
    case WM_NCDESTROY:
      SetWindowLongPtrW(hwnd, DWLP_USER, 0);
      WindowDriver::Attach(dialog, nullptr);
      return FALSE;
    default:
      return FALSE;
  }
}

INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* dialog = reinterpret_cast<CDialog*>(lParam);
    if (dialog == nullptr) return TRUE;
    SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    WindowDriver::Attach(*dialog, hwnd);
    return WindowDriver::InitDialog(*dialog) ? TRUE : FALSE;
  }
  auto* dialog = reinterpret_cast<CDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  if (dialog == nullptr) return FALSE;  // before WM_INITDIALOG (WM_SETFONT ...) and after WM_NCDESTROY
  return Dispatch(*dialog, hwnd, message, wParam, lParam);
}

}  // namespace

CDialog::~CDialog() {
  // A window that outlives its object must not call into it any more.
  if (m_hWnd != nullptr && IsWindow(H(m_hWnd))) {
    SetWindowLongPtrW(H(m_hWnd), DWLP_USER, 0);
    DestroyWindow(H(m_hWnd));
  }
  m_hWnd = nullptr;
}

std::intptr_t CDialog::DoModal() {
  HWND owner = H(win32::ModalOwner(parent_, this));
  const INT_PTR result =
      DialogBoxParamW(static_cast<HINSTANCE>(win32::ResourceModule()), MAKEINTRESOURCEW(template_.id), owner,
                      DialogProc, reinterpret_cast<LPARAM>(this));
  m_hWnd = nullptr;
  return result;
}

void CDialog::EndDialog(int result) {
  if (m_hWnd != nullptr) ::EndDialog(H(m_hWnd), result);
}

void CDialog::SetIcon(IconHandle icon, bool bigIcon) {
  SendMsg(kWmSetIcon, bigIcon ? kIconBig : kIconSmall, reinterpret_cast<std::intptr_t>(icon));
}

}  // namespace ui
