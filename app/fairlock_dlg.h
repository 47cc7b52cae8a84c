// The main dialog's operations that need no window: the parameter lines of a
// page and the presence of the adapters. The dialog's window side derives from
// the platform's dialog class and keeps forwarding to these.
#pragma once

#include "pages/adapter_presence.h"
#include "pages/page_param_text.h"

class CFairlockDlg {
 public:
  void FormatPageParameters(int driverIndex, pages::PageParamText& text) const {
    pages::FormatPageParameters(driverIndex, text);
  }
  void DetectAdapters(pages::AdapterPresence& presence) const { pages::DetectAdapters(presence); }
};
