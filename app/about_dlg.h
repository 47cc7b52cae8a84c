// The About box (template 100), opened from the main dialog's system menu.
#pragma once

#include "app/dialog_templates.h"
#include "platform/ui.h"

class CAboutDlg : public ui::CDialog {
 public:
  CAboutDlg() : ui::CDialog(app::AboutDialogTemplate(), nullptr) {}
};
