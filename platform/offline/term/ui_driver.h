// The terminal UI's access to the protected parts of the dialog classes: the
// window handle and the virtual handlers it calls as the dialog manager would.
#pragma once

#include "platform/ui.h"

namespace ui {

struct WindowDriver {
  static void Attach(CWnd& window, WindowHandle handle) { window.m_hWnd = handle; }
  static bool InitDialog(CDialog& dialog) { return dialog.OnInitDialog(); }
  static void Ok(CDialog& dialog) { dialog.OnOK(); }
  static void Cancel(CDialog& dialog) { dialog.OnCancel(); }
  static void SysCommand(CDialog& dialog, unsigned id) { dialog.OnSysCommand(id, 0); }
  static void Paint(CDialog& dialog) {
    dialog.OnPaint();
    dialog.defaultHandling_ = false;  // the default painting is the renderer's
  }
  static bool InitSheet(CPropertySheet& sheet) { return sheet.OnInitDialog(); }
  static unsigned FirstPage(const CPropertySheet& sheet) { return sheet.selectPage_; }
  static CWnd* Parent(const CDialog& dialog) { return dialog.parent_; }
  static CWnd* Parent(const CPropertySheet& sheet) { return sheet.parent_; }
};

}  // namespace ui
