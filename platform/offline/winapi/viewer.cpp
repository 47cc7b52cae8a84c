#include "platform/offline/winapi/viewer.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "platform/codecs.h"
#include "platform/offline/winapi/terminal_lender.h"
#include "platform/text.h"

namespace offline {
namespace {

// While a pager has the terminal: the screens are suspended, and Ctrl-C and
// Ctrl-\\ are the pager's business, not ours (as system() has it).
class PagerTerminal {
 public:
  explicit PagerTerminal(bool active) : active_(active) {
    if (!active_) return;
    if (CurrentTerminalLender().suspend) CurrentTerminalLender().suspend();
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
    if (CurrentTerminalLender().resume) CurrentTerminalLender().resume();
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

[[noreturn]] void ExecViewer(const std::string& path, bool onTerminal, int readyFd) {
  if (onTerminal) {
    PagerTerminal::DefaultSignals();
    execlp("sh", "sh", "-c", "exec ${PAGER:-less} \"$1\"", "sh", path.c_str(), static_cast<char*>(nullptr));
  } else {
    int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
      dup2(null, STDIN_FILENO);
      dup2(null, STDOUT_FILENO);
      dup2(null, STDERR_FILENO);
    }
    execlp("xdg-open", "xdg-open", path.c_str(), static_cast<char*>(nullptr));
  }
  int error = errno;
  ssize_t ignored = write(readyFd, &error, sizeof error);
  (void)ignored;
  _exit(127);
}

TerminalLender g_lender;

}  // namespace

void SetTerminalLender(TerminalLender lender) { g_lender = lender; }
const TerminalLender& CurrentTerminalLender() { return g_lender; }

std::string ViewerText(const std::vector<std::uint8_t>& bytes) {
  std::size_t start = (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) ? 2 : 0;
  std::string out;
  for (char c : text::ToUtf8(codecs::DecodeUtf16Le(bytes.data() + start, bytes.size() - start)))
    if (c != '\r') out += c;
  return out;
}

std::optional<std::string> WriteViewerCopy(const std::string& content) {
  char path[] = "/tmp/quillon-view-XXXXXX.txt";
  int fd = mkstemps(path, 4);
  if (fd < 0) return std::nullopt;
  bool written = write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
  close(fd);
  if (!written) {
    unlink(path);
    return std::nullopt;
  }
  return std::string(path);
}

ViewerStart StartViewer(const std::string& path, bool onTerminal) {
  // A pipe closed on exec tells whether the viewer started: EOF means it did,
  // an errno value means exec failed.
  int ready[2];
  if (pipe2(ready, O_CLOEXEC) != 0) return ViewerStart::kNoProcess;
  PagerTerminal pagerTerminal(onTerminal);
  pid_t pid = fork();
  if (pid < 0) {
    close(ready[0]);
    close(ready[1]);
    return ViewerStart::kNoProcess;
  }
  if (pid == 0) {
    close(ready[0]);
    ExecViewer(path, onTerminal, ready[1]);
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
    unlink(path.c_str());
    return ViewerStart::kNotStarted;
  }
  // A pager takes the terminal over: the caller goes on (and may end the
  // program) only after the user has left it, otherwise the two would fight
  // over the terminal. A desktop viewer runs on its own and is not waited for.
  if (onTerminal) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    unlink(path.c_str());
  }
  return ViewerStart::kStarted;
}

}  // namespace offline
