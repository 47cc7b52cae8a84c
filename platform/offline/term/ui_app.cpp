// The application frame of the terminal UI: running the application object on
// the terminal, the string table, icons, system metrics and painting.
#include <cstdio>
#include <exception>
#include <memory>
#include <string>

#include "platform/offline/term/terminal_session.h"
#include "platform/offline/term/ui_display.h"

namespace ui {
namespace {

const StringResource* g_strings = nullptr;
std::size_t g_stringCount = 0;

// What LoadIconResource hands out: a token that only needs to be non-null.
char g_iconToken;

}  // namespace

int RunApplication(CWinApp& app, const StringResource* strings, std::size_t stringCount) {
  g_strings = strings;
  g_stringCount = strings != nullptr ? stringCount : 0;
  // A display set up beforehand (by a test) is used as it is; otherwise the terminal.
  std::unique_ptr<term::Display> session;
  if (term::CurrentDisplay() == nullptr) {
    std::string error;
    session = terminal::StartSession(&error);
    if (!session) {
      std::fprintf(stderr, "quillon: %s\n", error.c_str());
      return 1;
    }
    term::SetCurrentDisplay(session.get());
  }
  int status = 0;
  try {
    app.InitInstance();  // the program ends when its main dialog has (no message loop of its own)
  } catch (const std::exception& e) {
    status = 1;
    if (session) {
      term::SetCurrentDisplay(nullptr);
      session.reset();  // the terminal back to normal before the message
    }
    std::fprintf(stderr, "quillon: %s\n", e.what());
  }
  if (session) {
    term::SetCurrentDisplay(nullptr);
    session.reset();
  }
  return status;
}

std::u16string LoadStringResource(int id) {
  for (std::size_t i = 0; i < g_stringCount; ++i)
    if (g_strings[i].id == id && g_strings[i].text != nullptr) return g_strings[i].text;
  return std::u16string();
}

IconHandle LoadIconResource(int) { return &g_iconToken; }

int GetSystemMetrics(int index) { return index == kSmCxIcon || index == kSmCyIcon ? 32 : 0; }

CPaintDC::CPaintDC(CWnd& window) : window_(window), hdc_(this) {}
CPaintDC::~CPaintDC() = default;
void CPaintDC::DrawIcon(int, int, IconHandle) {}  // the terminal has no icons to paint

void CWinApp::OnHelp() {}  // there is no help file
void CWinApp::EnableControlContainer() {}
void CWinApp::Enable3dControls() {}

}  // namespace ui
