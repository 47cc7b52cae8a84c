#include "app/startup.h"

#include "app/fairlock_dlg.h"

namespace app {
namespace {

template <typename Page>
SheetPage ViewOf(const Page& page) {
  return SheetPage{page.TemplateId(), page.Caption(), page.Texts()};
}

}  // namespace

StartupPages::StartupPages() {
  CFairlockDlg dialog;
  dialog.DetectAdapters(presence_);
}

std::vector<SheetPage> StartupPages::SheetPages() const {
  std::vector<SheetPage> result;
  if (presence_.bZolvanta) result.push_back(ViewOf(zol));
  if (presence_.bLpxScsiPort) result.push_back(ViewOf(lpx));
  if (presence_.bElxStorPort) result.push_back(ViewOf(elx));
  if (presence_.bVexa2300) result.push_back(ViewOf(vexa));
  if (presence_.bQlScsiPort) result.push_back(ViewOf(qlScsi));
  if (presence_.bQlStorPort) result.push_back(ViewOf(qlStor));
  result.push_back(ViewOf(misc));
  return result;
}

}  // namespace app
