// The Windows program, a GUI-subsystem executable. Without arguments it runs
// the interactive pass (sheet, question, report). With a command (--pages,
// --report, ...) it prints to the console as the Linux build does; the
// offline-only options do not exist here.
#include "app/command.h"
#include "app/fairlock_app.h"
#include "platform/text.h"

#include <windows.h>
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// A standard handle that already leads somewhere: a file, a pipe or a
// character device (a console, NUL). A GUI program started from a console
// without redirection has none of these.
bool Leads(DWORD which) {
  HANDLE handle = GetStdHandle(which);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
  const DWORD type = GetFileType(handle);
  return type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE || type == FILE_TYPE_CHAR;
}

// Output of a command goes to the parent's console, unless it was redirected.
void ConnectConsole() {
  const bool out = Leads(STD_OUTPUT_HANDLE);
  const bool err = Leads(STD_ERROR_HANDLE);
  if (out && err) return;
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
  if (!out && std::freopen("CONOUT$", "w", stdout) != nullptr)
    SetStdHandle(STD_OUTPUT_HANDLE, reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stdout))));
  if (!err && std::freopen("CONOUT$", "w", stderr) != nullptr)
    SetStdHandle(STD_ERROR_HANDLE, reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stderr))));
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::vector<std::string> args;
  for (int i = 1; argv != nullptr && i < argc; ++i)
    args.push_back(text::ToUtf8(std::u16string(reinterpret_cast<const char16_t*>(argv[i]))));
  if (argv != nullptr) LocalFree(argv);

  if (args.empty()) return app::RunInteractive();
  ConnectConsole();
  // Commands print the same bytes as the Linux build: "\n" stays "\n".
  _setmode(_fileno(stdout), _O_BINARY);
  return app::RunCommand(args);
}
