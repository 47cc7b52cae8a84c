#include "app/startup.h"

#include "pages/page_lines.h"

namespace app {

StartupPages::StartupPages() { pages::DetectAdapters(presence_); }

std::vector<ui::CPropertyPage*> StartupPages::SheetOrder() {
  std::vector<ui::CPropertyPage*> result;
  if (presence_.bZolvanta) result.push_back(&zol);
  if (presence_.bLpxScsiPort) result.push_back(&lpx);
  if (presence_.bElxStorPort) result.push_back(&elx);
  if (presence_.bVexa2300) result.push_back(&vexa);
  if (presence_.bQlScsiPort) result.push_back(&qlScsi);
  if (presence_.bQlStorPort) result.push_back(&qlStor);
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
