// Opening a document for the user: a pager on a terminal, the desktop's opener otherwise.
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "platform/offline/image_files.h"
#include "platform/offline/terminal_session.h"
#include "platform/os.h"
#include "platform/text.h"

namespace os {
namespace {

constexpr std::size_t kMaxDocument = 64u << 20;
constexpr DWORD ERROR_NO_ASSOCIATION = 1155;

// UTF-16LE without byte-order mark (as the program writes) to UTF-8 for viewing.
std::string Decode(const std::vector<std::uint8_t>& bytes) {
  std::u16string s;
  std::size_t start = (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) ? 2 : 0;
  for (std::size_t i = start; i + 1 < bytes.size(); i += 2)
    s += static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
  std::string out;
  for (char c : text::ToUtf8(s))
    if (c != '\r') out += c;
  return out;
}

// While a pager has the terminal: the screens are suspended, and Ctrl-C and
// Ctrl-\\ are the pager's business, not ours (as system() has it).
class PagerTerminal {
 public:
  explicit PagerTerminal(bool active) : active_(active) {
    if (!active_) return;
    terminal::Suspend();
    struct sigaction ignore;
    std::memset(&ignore, 0, sizeof ignore);
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGINT, &ignore, &oldInt_);
    sigaction(SIGQUIT, &ignore, &oldQuit_);
  }
  ~PagerTerminal() {
    if (!active_) return;
    sigaction(SIGINT, &oldInt_, nullptr);
    sigaction(SIGQUIT, &oldQuit_, nullptr);
    terminal::Resume();
  }
  PagerTerminal(const PagerTerminal&) = delete;
  PagerTerminal& operator=(const PagerTerminal&) = delete;

  // In the child: the signals as the pager expects them.
  static void DefaultSignals() {
    signal(SIGINT, SIG_DFL);
    signal(SIGQUIT, SIG_DFL);
  }

 private:
  bool active_;
  struct sigaction oldInt_ {};
  struct sigaction oldQuit_ {};
};

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
  char path[] = "/tmp/quillon-view-XXXXXX.txt";
  int fd = mkstemps(path, 4);
  if (fd < 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  std::string content = Decode(*bytes);
  bool written = write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
  close(fd);
  if (!written) {
    unlink(path);
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
  }
  // A pipe closed on exec tells whether the viewer started: EOF means it did,
  // an errno value means exec failed.
  int ready[2];
  if (pipe2(ready, O_CLOEXEC) != 0) {
    unlink(path);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  PagerTerminal pagerTerminal(terminal);
  pid_t pid = fork();
  if (pid < 0) {
    close(ready[0]);
    close(ready[1]);
    unlink(path);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  if (pid == 0) {
    close(ready[0]);
    if (terminal) {
      PagerTerminal::DefaultSignals();
      execlp("sh", "sh", "-c", "exec ${PAGER:-less} \"$1\"", "sh", path, static_cast<char*>(nullptr));
    } else {
      int null = open("/dev/null", O_RDWR);
      if (null >= 0) {
        dup2(null, STDIN_FILENO);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
      }
      execlp("xdg-open", "xdg-open", path, static_cast<char*>(nullptr));
    }
    int error = errno;
    ssize_t ignored = write(ready[1], &error, sizeof error);
    (void)ignored;
    _exit(127);
  }
  close(ready[1]);
  int childError = 0;
  ssize_t got;
  do {
    got = read(ready[0], &childError, sizeof childError);
  } while (got < 0 && errno == EINTR);
  close(ready[0]);
  if (got > 0) {
    waitpid(pid, nullptr, 0);
    unlink(path);
    SetLastError(ERROR_NO_ASSOCIATION);
    return FALSE;
  }
  // A pager takes the terminal over: the caller goes on (and may end the
  // program) only after the user has left it, otherwise the two would fight
  // over the terminal. A desktop viewer runs on its own and is not waited for.
  if (terminal) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    unlink(path);
  }
  info->hProcess = nullptr;
  info->hInstApp = reinterpret_cast<void*>(std::uintptr_t{33});
  return TRUE;
}

}  // namespace os
