// The "Driver Information" sheet: a read-only viewer, so of the standard
// buttons only OK stays, centred.
#pragma once

#include "platform/ui.h"

class CDriverPropSheet : public ui::CPropertySheet {
 public:
  CDriverPropSheet(const char16_t* caption, ui::CWnd* parent, unsigned selectPage)
      : ui::CPropertySheet(caption, parent, selectPage) {}

 protected:
  bool OnInitDialog() override;
};
