// The parts of the dialog classes that are the same on every platform: data
// exchange, the default handlers and the bookkeeping of sheets and pages.
#include "platform/ui.h"

namespace ui {

CDialog::CDialog(const DialogTemplate& dialogTemplate, CWnd* parent) : parent_(parent), template_(dialogTemplate) {}

bool CDialog::UpdateData(bool saveAndValidate) {
  if (saveAndValidate) return true;  // nothing on these dialogs can be edited
  ExchangeTexts([this](int id, const std::u16string& text) { SetItemText(id, text); });
  return true;
}

void CDialog::ExchangeTexts(const CDataExchange::Sink& sink) {
  CDataExchange exchange(sink);
  DoDataExchange(&exchange);
}

void CDialog::DoDataExchange(CDataExchange*) {}

bool CDialog::OnInitDialog() {
  UpdateData(false);
  return true;
}

void CDialog::OnOK() { EndDialog(kIdOk); }
void CDialog::OnCancel() { EndDialog(kIdCancel); }
void CDialog::OnSysCommand(unsigned, std::intptr_t) { Default(); }
void CDialog::OnPaint() { Default(); }

IconHandle CDialog::OnQueryDragIcon() {
  Default();
  return nullptr;
}

CPropertySheet::CPropertySheet(const char16_t* caption, CWnd* parent, unsigned selectPage)
    : caption_(caption != nullptr ? caption : u""), parent_(parent), selectPage_(selectPage) {}

void CPropertySheet::AddPage(CPropertyPage* page) {
  if (page != nullptr) pages_.push_back(page);
}

bool CPropertySheet::OnInitDialog() { return true; }

CWinApp::CWinApp() = default;
CWinApp::~CWinApp() = default;
bool CWinApp::InitInstance() { return false; }

}  // namespace ui
