#include "app/startup.h"

#include "pages/page_lines.h"
#include "probes/driver_table.h"

namespace app {

StartupPages::StartupPages() { pages::DetectAdapters(presence_); }

std::vector<ui::CPropertyPage*> StartupPages::SheetOrder() {
  ui::CPropertyPage* const adapterPages[] = {&zol, &elx, &lpx, &vexa, &qlScsi, &qlStor};
  std::vector<ui::CPropertyPage*> result;
  for (const AdapterDriver& driver : kAdapterDrivers) {
    if (presence_.*pages::PresenceFlag(driver.index) == 0) continue;
    for (ui::CPropertyPage* page : adapterPages) {
      if (page->Template().id == driver.pageTemplate) result.push_back(page);
    }
  }
  result.push_back(&misc);
  return result;
}

std::vector<SheetPage> StartupPages::SheetPages() {
  std::vector<SheetPage> result;
  for (ui::CPropertyPage* page : SheetOrder())
    result.push_back(SheetPage{page->Template().id, page->Caption(), pages::ExchangedTexts(*page)});
  return result;
}

}  // namespace app
