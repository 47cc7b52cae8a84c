#include "app/driver_prop_sheet.h"

bool CDriverPropSheet::OnInitDialog() {
  const bool result = ui::CPropertySheet::OnInitDialog();

  GetDlgItem(ui::kIdApplyNow).ShowWindow(ui::kSwHide);
  GetDlgItem(ui::kIdHelp).ShowWindow(ui::kSwHide);
  ui::CWnd cancel = GetDlgItem(ui::kIdCancel);
  cancel.ShowWindow(ui::kSwHide);

  // The centre is half the sheet's outer width, counted from the left edge of
  // its client area.
  ui::CWnd owner = cancel.GetWindow(ui::kGwOwner);
  if (owner.GetSafeHwnd() == nullptr) owner = cancel.GetParent();
  const long centre = owner.GetWindowRect().Width() / 2;

  ui::CWnd ok = GetDlgItem(ui::kIdOk);
  ui::Rect rect = ok.GetWindowRect();
  ScreenToClient(rect);
  const long half = rect.Width() / 2;
  rect.left = centre - half;
  rect.right = centre + half;
  ok.MoveWindow(rect, true);
  return result;
}
