#include "app/fairlock_dlg.h"

#include "app/about_dlg.h"
#include "app/dialog_templates.h"
#include "app/driver_prop_sheet.h"
#include "app/startup.h"

CFairlockDlg::CFairlockDlg(ui::CWnd* parent)
    : ui::CDialog(app::MainDialogTemplate(), parent), m_hIcon(ui::LoadIconResource(app::kIdMainIcon)) {}

report::ReportOutcome CFairlockDlg::WriteSystemReport() {
  report::ReportOptions options;
  options.askOverwrite = [this] {
    return ui::ShowMessageBox(this, report::kOverwriteQuestion, report::kOverwriteCaption,
                              ui::kMbYesNo | ui::kMbIconQuestion) == ui::kIdYes;
  };
  return report::WriteSystemReport(options);
}

void CFairlockDlg::DoDataExchange(ui::CDataExchange* pDX) { ui::CDialog::DoDataExchange(pDX); }

bool CFairlockDlg::OnInitDialog() {
  ui::CDialog::OnInitDialog();

  ui::CMenu systemMenu = GetSystemMenu(false);
  if (systemMenu.GetSafeHmenu() != nullptr) {
    const std::u16string about = ui::LoadStringResource(app::kIdsAboutBox);
    if (!about.empty()) {
      systemMenu.AppendMenuItem(ui::kMfSeparator);
      systemMenu.AppendMenuItem(ui::kMfString, app::kIdmAboutBox, about.c_str());
    }
  }

  {
    CDriverPropSheet sheet(u"Driver Information", nullptr, 0);
    app::StartupPages pages;  // every probe runs here, before anything is shown
    for (ui::CPropertyPage* page : pages.SheetOrder()) sheet.AddPage(page);
    sheet.DoModal();  // however the sheet ends, the question follows

    SetIcon(m_hIcon, true);
    SetIcon(m_hIcon, false);
  }  // the pages go first, in reverse order of construction, then the sheet
  return true;
}

void CFairlockDlg::OnOK() {
  WriteSystemReport();
  ui::CDialog::OnOK();
}

void CFairlockDlg::OnSysCommand(unsigned id, std::intptr_t param) {
  if ((id & 0xFFF0u) == app::kIdmAboutBox) {
    CAboutDlg about;
    about.DoModal();
  } else {
    ui::CDialog::OnSysCommand(id, param);
  }
}

void CFairlockDlg::OnPaint() {
  if (!IsIconic()) {
    ui::CDialog::OnPaint();
    return;
  }
  ui::CPaintDC dc(*this);
  SendMsg(ui::kWmIconEraseBkgnd, reinterpret_cast<std::uintptr_t>(dc.GetSafeHdc()), 0);
  const int cxIcon = ui::GetSystemMetrics(ui::kSmCxIcon);
  const int cyIcon = ui::GetSystemMetrics(ui::kSmCyIcon);
  const ui::Rect rect = GetClientRect();
  const int x = static_cast<int>((rect.Width() - cxIcon + 1) / 2);
  const int y = static_cast<int>((rect.Height() - cyIcon + 1) / 2);
  dc.DrawIcon(x, y, m_hIcon);
}

ui::IconHandle CFairlockDlg::OnQueryDragIcon() { return m_hIcon; }
