// The curses side of the terminal UI: the canvas onto the screen, keys from
// the keyboard, and the terminal put back on every way out.
#include "platform/offline/term/terminal_session.h"

#include <curses.h>
#include <errno.h>
#include <signal.h>
#include <term.h>
#include <termios.h>
#include <unistd.h>

#include <clocale>
#include <cstring>

namespace terminal {
namespace {

using ui::term::Key;
using ui::term::KeyCode;
using ui::term::Look;

// What the signal handler needs, prepared beforehand: it may only make
// async-signal-safe calls.
struct termios g_savedModes;
char g_restore[512];
std::size_t g_restoreLength = 0;
volatile sig_atomic_t g_sessionActive = 0;
bool g_suspended = false;
struct sigaction g_oldActions[3];
constexpr int kSignals[3] = {SIGINT, SIGTERM, SIGHUP};

void AppendCapability(const char* name) {
  char* value = tigetstr(const_cast<char*>(name));
  if (value == nullptr || value == reinterpret_cast<char*>(-1)) return;
  const std::size_t length = std::strlen(value);
  if (g_restoreLength + length >= sizeof g_restore) return;
  std::memcpy(g_restore + g_restoreLength, value, length);
  g_restoreLength += length;
}

void OnSignal(int signal) {
  if (g_sessionActive) {
    ssize_t ignored = write(STDOUT_FILENO, g_restore, g_restoreLength);
    (void)ignored;
    tcsetattr(STDIN_FILENO, TCSANOW, &g_savedModes);
  }
  _exit(128 + signal);
}

class CursesDisplay : public ui::term::Display {
 public:
  CursesDisplay(SCREEN* screen, bool colours) : screen_(screen), colours_(colours) {}
  ~CursesDisplay() override {
    if (g_suspended) Resume();
    endwin();
    g_sessionActive = 0;
    for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &g_oldActions[i], nullptr);
    delscreen(screen_);
  }

  int Width() const override { return getmaxx(stdscr); }
  int Height() const override { return getmaxy(stdscr); }

  void Present(const ui::term::Canvas& canvas) override {
    for (int y = 0; y < canvas.Height() && y < Height(); ++y) {
      for (int x = 0; x < canvas.Width() && x < Width(); ++x) {
        const ui::term::Cell& cell = canvas.At(x, y);
        if (cell.ch == 0) continue;  // the right half of a wide character
        const cchar_t* line = LineCharacter(cell.ch);
        cchar_t c;
        if (line != nullptr) {
          wchar_t w[CCHARW_MAX + 1] = {};
          attr_t attrs = 0;
          short pair = 0;
          getcchar(line, w, &attrs, &pair, nullptr);
          setcchar(&c, w, AttributesOf(cell.look) | (attrs & A_ALTCHARSET), PairOf(cell.look), nullptr);
        } else {
          const wchar_t w[2] = {static_cast<wchar_t>(cell.ch), L'\0'};
          setcchar(&c, w, AttributesOf(cell.look), PairOf(cell.look), nullptr);
        }
        mvadd_wch(y, x, &c);  // the last cell reports an error for the scroll it cannot do; it is drawn
      }
    }
    refresh();
  }

  Key ReadKey() override {
    for (int failures = 0; failures < 100;) {
      wint_t ch = 0;
      const int kind = get_wch(&ch);
      if (kind == ERR) {
        if (errno != EINTR) ++failures;
        continue;
      }
      if (kind == KEY_CODE_YES) {
        switch (ch) {
          case KEY_ENTER:
            return Key{KeyCode::Enter, 0};
          case KEY_BTAB:
            return Key{KeyCode::BackTab, 0};
          case KEY_LEFT:
            return Key{KeyCode::Left, 0};
          case KEY_RIGHT:
            return Key{KeyCode::Right, 0};
          case KEY_UP:
            return Key{KeyCode::Up, 0};
          case KEY_DOWN:
            return Key{KeyCode::Down, 0};
          case KEY_RESIZE:
            return Key{KeyCode::Resize, 0};
          default:
            if (ch > KEY_F0 && ch <= KEY_F(63)) return Key{KeyCode::Function, static_cast<char32_t>(ch - KEY_F0)};
            return Key{};
        }
      }
      switch (ch) {
        case L'\n':
        case L'\r':
          return Key{KeyCode::Enter, 0};
        case 27:
          return Key{KeyCode::Escape, 0};
        case L'\t':
          return Key{KeyCode::Tab, 0};
        case L' ':
          return Key{KeyCode::Space, 0};
        default:
          return Key{KeyCode::Char, static_cast<char32_t>(ch)};
      }
    }
    return Key{KeyCode::End, 0};  // the keyboard is gone (end of input, hang-up)
  }

 private:
  static const cchar_t* LineCharacter(char32_t ch) {
    switch (ch) {
      case U'─':
        return WACS_HLINE;
      case U'│':
        return WACS_VLINE;
      case U'┌':
        return WACS_ULCORNER;
      case U'┐':
        return WACS_URCORNER;
      case U'└':
        return WACS_LLCORNER;
      case U'┘':
        return WACS_LRCORNER;
      default:
        return nullptr;
    }
  }

  attr_t AttributesOf(Look look) const {
    switch (look) {
      case Look::Title:
        return A_BOLD;
      case Look::Focus:
      case Look::Selected:
        return A_REVERSE;
      default:
        return A_NORMAL;
    }
  }

  short PairOf(Look look) const {
    if (!colours_) return 0;
    return look == Look::Desktop ? 1 : 2;
  }

  SCREEN* screen_;
  bool colours_;
};

}  // namespace

std::unique_ptr<ui::term::Display> StartSession(std::string* error) {
  if (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO)) {
    *error = "the interactive screens need a terminal on standard input and output";
    return nullptr;
  }
  std::setlocale(LC_ALL, "");
  if (tcgetattr(STDIN_FILENO, &g_savedModes) != 0) {
    *error = "cannot read the terminal's settings";
    return nullptr;
  }
  // Our handlers go in before curses starts, so that curses keeps out of
  // these signals and leaves SIGWINCH (resizing) and SIGTSTP to itself.
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &action, &g_oldActions[i]);

  SCREEN* screen = newterm(nullptr, stdout, stdin);
  if (screen == nullptr) {
    for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &g_oldActions[i], nullptr);
    *error = "cannot use this terminal (is TERM set?)";
    return nullptr;
  }
  set_term(screen);
  g_restoreLength = 0;
  AppendCapability("sgr0");
  AppendCapability("cnorm");
  AppendCapability("rmkx");
  AppendCapability("rmcup");
  cbreak();
  noecho();
  nonl();
  keypad(stdscr, TRUE);
  set_escdelay(25);
  curs_set(0);
  bool colours = false;
  if (has_colors() && start_color() == OK && COLOR_PAIRS > 2) {
    init_pair(1, COLOR_WHITE, COLOR_BLUE);   // the desktop
    init_pair(2, COLOR_BLACK, COLOR_WHITE);  // windows
    colours = true;
  }
  g_sessionActive = 1;
  return std::make_unique<CursesDisplay>(screen, colours);
}

void Suspend() {
  if (!g_sessionActive || g_suspended) return;
  def_prog_mode();
  endwin();
  g_suspended = true;
}

void Resume() {
  if (!g_sessionActive || !g_suspended) return;
  reset_prog_mode();
  g_suspended = false;
  clearok(curscr, TRUE);  // the other program drew over everything
  refresh();
}

}  // namespace terminal
