// The Windows program. With a command (--pages, --report, ...) it prints to the
// console as the Linux build does; the offline-only options do not exist here.
#include <windows.h>

#include <string>
#include <vector>

#include "app/command.h"
#include "platform/text.h"

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i)
    args.push_back(text::ToUtf8(std::u16string(reinterpret_cast<const char16_t*>(argv[i]))));
  return app::RunCommand(args);
}
