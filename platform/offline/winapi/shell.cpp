// ShellExecuteExW: the document shown with a pager on a terminal, the
// desktop's opener otherwise.
#include <stdlib.h>
#include <unistd.h>

#include "platform/offline/winapi/image_files.h"
#include "platform/offline/winapi/viewer.h"
#include "platform/os.h"
#include "platform/text.h"

namespace os {
namespace {

constexpr std::size_t kMaxDocument = 64u << 20;
constexpr DWORD ERROR_NO_ASSOCIATION = 1155;

}  // namespace

BOOL ShellExecuteExW(SHELLEXECUTEINFOW* info) {
  if (!info || !info->lpFile) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::optional<std::vector<std::uint8_t>> bytes =
      offline::ReadImageFile(std::u16string_view(info->lpFile, text::Length(info->lpFile, 32768)), kMaxDocument);
  if (!bytes) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  bool terminal = isatty(STDOUT_FILENO) && isatty(STDIN_FILENO);
  bool desktop = getenv("DISPLAY") || getenv("WAYLAND_DISPLAY");
  if (!terminal && !desktop) {
    SetLastError(ERROR_NO_ASSOCIATION);
    return FALSE;
  }
  std::optional<std::string> copy = offline::WriteViewerCopy(offline::ViewerText(*bytes));
  if (!copy) {
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
  }
  switch (offline::StartViewer(*copy, terminal)) {
    case offline::ViewerStart::kNoProcess:
      unlink(copy->c_str());
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return FALSE;
    case offline::ViewerStart::kNotStarted:
      SetLastError(ERROR_NO_ASSOCIATION);
      return FALSE;
    case offline::ViewerStart::kStarted:
      break;
  }
  info->hProcess = nullptr;
  info->hInstApp = reinterpret_cast<void*>(std::uintptr_t{33});
  return TRUE;
}

}  // namespace os
