// The pages of one run: all seven constructed (and so every probe run, the
// trace file written first), the adapters detected, and the sheet's pages
// listed in tab order.
#pragma once

#include <string>
#include <vector>

#include "pages/adapter_pages.h"
#include "pages/adapter_presence.h"
#include "pages/control_text.h"
#include "pages/misc_page.h"
#include "platform/ui.h"

namespace app {

// One page as the sheet shows it.
struct SheetPage {
  int templateId;
  std::u16string caption;
  pages::ControlTexts texts;
};

class StartupPages {
 public:
  // Constructs the pages in the order Zolvanta, Emulex StorPort, Emulex
  // ScsiPort, vexa2300, QLogic ScsiPort, QLogic StorPort, Miscellaneous, then
  // detects the adapters.
  StartupPages();

  const pages::AdapterPresence& Presence() const { return presence_; }

  // The present adapter pages in tab order (the order of the driver rows,
  // probes/driver_table.h), then Miscellaneous.
  std::vector<ui::CPropertyPage*> SheetOrder();

  // The same pages with the texts their data exchange shows.
  std::vector<SheetPage> SheetPages();

  // Members are constructed in declaration order: that is the probing order;
  // they are destroyed in the reverse order.
  pages::CZolPage zol;
  pages::CElxPage elx;
  pages::CLpxPage lpx;
  pages::CVexaPage vexa;
  pages::CQlScsiPage qlScsi;
  pages::CQlStorPage qlStor;
  pages::CMiscPage misc;

 private:
  pages::AdapterPresence presence_{};
};

}  // namespace app
