// The main dialog (template 102). Its initialisation builds the pages, runs
// the "Driver Information" sheet and only then lets the dialog show its
// question; YES writes the report, NO ends the program.
//
// It also carries the operations that need no window (the parameter lines of
// a page, the presence of the adapters, the report); a page constructs one
// just to call them.
#pragma once

#include "pages/adapter_presence.h"
#include "pages/page_param_text.h"
#include "platform/ui.h"
#include "report/system_report.h"

class CFairlockDlg : public ui::CDialog {
 public:
  explicit CFairlockDlg(ui::CWnd* parent = nullptr);

  void FormatPageParameters(int driverIndex, pages::PageParamText& text) const {
    pages::FormatPageParameters(driverIndex, text);
  }
  void DetectAdapters(pages::AdapterPresence& presence) const { pages::DetectAdapters(presence); }
  // Writes SysInfo.log, asking before an existing one is overwritten, and
  // opens it with the shell.
  report::ReportOutcome WriteSystemReport();

 protected:
  void DoDataExchange(ui::CDataExchange* pDX) override;
  bool OnInitDialog() override;
  void OnOK() override;
  void OnSysCommand(unsigned id, std::intptr_t param) override;
  void OnPaint() override;
  ui::IconHandle OnQueryDragIcon() override;

  ui::IconHandle m_hIcon;
};
