// The application object's part of the Windows build: start-up, the message
// loop and the framework switches.
#include "platform/ui.h"
#include "platform/win32/ui_driver.h"

#include <windows.h>
#include <commctrl.h>

namespace ui {
namespace {

CWinApp* g_app = nullptr;

}  // namespace

namespace win32 {

CWinApp* CurrentApp() { return g_app; }

}  // namespace win32

// No help file belongs to this program: the Help command has nothing to open.
void CWinApp::OnHelp() {}

// The program hosts no ActiveX controls; there is nothing to switch on.
void CWinApp::EnableControlContainer() {}

// Three-dimensional controls are the system's own drawing; what the dialogs
// need from comctl32 (the sheet's tab control) is registered here.
void CWinApp::Enable3dControls() {
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
}

// The string table argument serves platforms without compiled resources; here
// LoadStringResource reads the module's own STRINGTABLE.
int RunApplication(CWinApp& app, const StringResource*, std::size_t) {
  CWinApp* outer = g_app;
  g_app = &app;
  if (app.InitInstance()) {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  g_app = outer;
  return 0;
}

}  // namespace ui
