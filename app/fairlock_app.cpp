#include "app/fairlock_app.h"

#include "app/dialog_templates.h"
#include "app/fairlock_dlg.h"

namespace {

CFairlockApp theApp;

}  // namespace

bool CFairlockApp::InitInstance() {
  EnableControlContainer();
  Enable3dControls();

  CFairlockDlg dialog;
  m_pMainWnd = &dialog;
  dialog.DoModal();  // YES or NO: the program ends either way
  m_pMainWnd = nullptr;
  return false;
}

namespace app {

int RunInteractive() {
  std::size_t count = 0;
  const ui::StringResource* strings = StringTable(&count);
  return ui::RunApplication(theApp, strings, count);
}

}  // namespace app
