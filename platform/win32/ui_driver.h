// The glue between Windows' dialog manager and property sheets and the ui::
// objects: reaches the protected handlers and the window handle the objects
// keep. Shared by the platform/win32/ui_*.cpp files only.
#pragma once

#include <cstdint>

#include "platform/ui.h"

namespace ui {

struct WindowDriver {
  static void Attach(CWnd& window, WindowHandle handle) { window.m_hWnd = handle; }

  static bool InitDialog(CDialog& dialog) { return dialog.OnInitDialog(); }
  static void Ok(CDialog& dialog) { dialog.OnOK(); }
  static void Cancel(CDialog& dialog) { dialog.OnCancel(); }

  // Each handler runs with its own default-handling flag, so that messages
  // handled while it runs (a nested modal loop) cannot answer for it. Returns
  // true when the handler asked for the default handling.
  template <typename Handler>
  static bool Run(CDialog& dialog, Handler handler) {
    const bool outer = dialog.defaultHandling_;
    dialog.defaultHandling_ = false;
    handler();
    const bool wantsDefault = dialog.defaultHandling_;
    dialog.defaultHandling_ = outer;
    return wantsDefault;
  }
  static bool SysCommand(CDialog& dialog, unsigned id, std::intptr_t param) {
    return Run(dialog, [&] { dialog.OnSysCommand(id, param); });
  }
  static bool Paint(CDialog& dialog) {
    return Run(dialog, [&] { dialog.OnPaint(); });
  }
  static bool QueryDragIcon(CDialog& dialog, IconHandle* icon) {
    return Run(dialog, [&] { *icon = dialog.OnQueryDragIcon(); });
  }

  static CWnd* Parent(const CDialog& dialog) { return dialog.parent_; }
  static CWnd* Parent(const CPropertySheet& sheet) { return sheet.parent_; }
  static unsigned StartPage(const CPropertySheet& sheet) { return sheet.selectPage_; }
  static bool InitSheet(CPropertySheet& sheet) { return sheet.OnInitDialog(); }
};

namespace win32 {

// The application that RunApplication runs, or null.
CWinApp* CurrentApp();

// The window that a modal dialog or sheet with the given parent is owned by:
// the parent's top-level window, or without a parent the application's main
// window when it has one (and is not `self`).
WindowHandle ModalOwner(const CWnd* parent, const CWnd* self);

// The module whose resources the windows are built from.
void* ResourceModule();

}  // namespace win32
}  // namespace ui
