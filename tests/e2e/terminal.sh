#!/usr/bin/env bash
# End to end: the Linux program's terminal screens driven through tmux.
#
#   bash tests/e2e/terminal.sh path/to/quillon
#
# Runs `quillon --root examples/sample-server --output DIR` in detached tmux
# sessions (80x24 and 100x30), presses keys, and compares each screen with the
# expected one in tests/e2e/screens/. Covers every tab, Esc and Enter on the
# sheet, NO, YES with the report (compared with tests/e2e/sample-server.SysInfo.txt),
# the overwrite question, the About box (F2), a too small terminal, and Ctrl-C
# giving the terminal back. QUILLON_E2E_UPDATE=1 writes the screens instead of
# comparing them (review them before committing: they are the expected result).
set -uo pipefail

if [ $# -lt 1 ] || [ ! -x "$1" ]; then
  echo "usage: $0 path/to/quillon" >&2
  exit 2
fi
PROGRAM="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
ROOT="$(cd "$(dirname "$0")/../.." && pwd)"
SCREENS="$ROOT/tests/e2e/screens"
EXPECTED_REPORT="$ROOT/tests/e2e/sample-server.SysInfo.txt"
UPDATE="${QUILLON_E2E_UPDATE:-0}"
TIMEOUT="${QUILLON_E2E_TIMEOUT:-20}"  # seconds to wait for one screen (sanitized builds are slow)

SOCKET="quillon-e2e-$$-$RANDOM"
WORK="$(mktemp -d "${TMPDIR:-/tmp}/quillon-e2e.XXXXXX")"
cleanup() {
  tmux -L "$SOCKET" kill-server 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

tm() { tmux -L "$SOCKET" -f /dev/null "$@"; }

screen_text() { tm capture-pane -p -t q; }

# Starts the program in a new session of COLS x ROWS writing below OUTPUT.
# The pane's shell then prints the exit status and whether the terminal
# modes are as they were, and stays open for inspection.
start() {
  local cols="$1" rows="$2" output="$3"
  # An idle session keeps the server up: killing its last session makes the
  # server exit, and a new session started meanwhile meets a dying server.
  tm has-session -t keep 2>/dev/null || tm new-session -d -s keep "exec sleep 3600"
  tm kill-session -t q 2>/dev/null
  tm new-session -d -s q -x "$cols" -y "$rows" -e LANG=C.UTF-8 -e LC_ALL=C.UTF-8 -e PAGER=less \
    -e LESS= -e "ASAN_OPTIONS=${ASAN_OPTIONS:-}" \
    "cd '$ROOT' || exit; before=\$(stty -g); '$PROGRAM' --root examples/sample-server --output '$output';
     status=\$?; [ \"\$before\" = \"\$(stty -g)\" ] && modes=same || modes=changed;
     echo \"QUILLON-EXIT=\$status TTY-MODES=\$modes\"; exec sleep 600" || {
    fail "cannot start tmux"
    exit 1
  }
}

# Waits until the screen shows TEXT (a fixed string); on timeout shows the screen.
wait_for() {
  local text="$1" deadline=$((SECONDS + TIMEOUT))
  while [ $SECONDS -lt $deadline ]; do
    if screen_text | grep -qF -- "$text"; then return 0; fi
    sleep 0.1
  done
  fail "timed out waiting for: $text"
  echo "---- screen ----"
  screen_text
  echo "----------------"
  return 1
}

# Waits until the screen no longer shows TEXT.
wait_gone() {
  local text="$1" deadline=$((SECONDS + TIMEOUT))
  while [ $SECONDS -lt $deadline ]; do
    if ! screen_text | grep -qF -- "$text"; then return 0; fi
    sleep 0.1
  done
  fail "timed out waiting for this to go: $text"
  return 1
}

# Compares the screen with tests/e2e/screens/NAME.txt. The terminal may still
# be receiving the screen when the awaited text appears, so the screen is
# polled until it matches (or, when writing, until two captures agree).
check_screen() {
  local name="$1" file="$SCREENS/$1.txt" deadline=$((SECONDS + TIMEOUT))
  local got="$WORK/$name.txt" previous="$WORK/$name.previous"
  if [ "$UPDATE" = 1 ]; then
    screen_text >"$previous"
    while :; do
      sleep 0.2
      screen_text >"$got"
      cmp -s "$got" "$previous" && break
      cp "$got" "$previous"
      [ $SECONDS -lt $deadline ] || break
    done
    mkdir -p "$SCREENS"
    cp "$got" "$file"
    echo "wrote $file"
    return
  fi
  if [ ! -f "$file" ]; then
    fail "no expected screen $file"
    return
  fi
  while :; do
    screen_text >"$got"
    if cmp -s "$file" "$got"; then
      echo "ok: screen $name"
      return
    fi
    [ $SECONDS -lt $deadline ] || break
    sleep 0.1
  done
  diff -u "$file" "$got"
  fail "screen $name differs (expected: ---, shown: +++)"
}

expect_exit() {
  wait_for "QUILLON-EXIT=" || return
  local line
  line="$(screen_text | grep -F "QUILLON-EXIT=")"
  [[ "$line" == *"QUILLON-EXIT=$1 "* ]] || fail "expected exit status $1: $line"
  [[ "$line" == *"TTY-MODES=same"* ]] || fail "the terminal modes were not restored: $line"
  [ "$(tm display -p -t q '#{alternate_on} #{cursor_flag}')" = "0 1" ] ||
    fail "the terminal was left on the alternate screen or without a cursor"
}

# The written report, UTF-16LE, as UTF-8 with the date and time masked.
check_report() {
  local log="$1/Halvorn/Version/SysInfo.log"
  if [ ! -f "$log" ]; then
    fail "no report at $log"
    return
  fi
  iconv -f UTF-16LE -t UTF-8 "$log" |
    sed -e 's/^Vexa HalvornDate:  .*\r$/Vexa HalvornDate:  <date> \r/' -e 's/^Time:  .*\r$/Time:  <time>\r/' \
      >"$WORK/report.txt"
  if cmp -s "$EXPECTED_REPORT" "$WORK/report.txt"; then
    echo "ok: report $2"
  else
    diff -u "$EXPECTED_REPORT" "$WORK/report.txt" | head -40
    fail "report $2 differs"
  fi
}

# The report shown in the pager, then the pager left with q.
leave_pager() {
  wait_for 'Operating System: "Microsoft Windows 2003"' && tm send-keys -t q q
}

QUESTION="Would you like to print out more detailed"

# --- Run 1, 80x24: every tab, Esc, the About box, NO ---------------------------
echo "== 80x24: tabs, Esc, About, NO"
out1="$WORK/out1"
start 80 24 "$out1"
if wait_for "[Emulex StorPort]"; then
  check_screen 80x24-sheet-emulex-storport
  tm send-keys -t q Right
  wait_for "[QLogic StorPort]" && check_screen 80x24-sheet-qlogic-storport
  tm send-keys -t q Tab
  wait_for "[Miscellaneous]" && check_screen 80x24-sheet-miscellaneous
  tm send-keys -t q Right  # round to the first tab
  wait_for "[Emulex StorPort]" && check_screen 80x24-sheet-emulex-storport
  tm send-keys -t q Left  # and back to the last
  wait_for "[Miscellaneous]" && check_screen 80x24-sheet-miscellaneous
  tm send-keys -t q BTab
  wait_for "[QLogic StorPort]"
  tm send-keys -t q Escape
  if wait_for "$QUESTION"; then
    check_screen 80x24-question
    tm send-keys -t q F2
    wait_for "Fairlock Version 1.0" && check_screen 80x24-about
    tm send-keys -t q Enter
    wait_gone "Fairlock Version 1.0" && check_screen 80x24-question
    tm send-keys -t q Tab
    wait_for "[>   NO    <]" && check_screen 80x24-question-no
    tm send-keys -t q Enter
    expect_exit 0
  fi
fi
if [ -n "$(find "$out1" -name SysInfo.log 2>/dev/null)" ]; then fail "NO left a report behind"; else echo "ok: NO wrote no report"; fi

# --- Run 2, 100x30: Enter on the sheet, YES, the report in the pager -----------
echo "== 100x30: Enter, YES, report"
out2="$WORK/out2"
start 100 30 "$out2"
if wait_for "[Emulex StorPort]"; then
  check_screen 100x30-sheet-emulex-storport
  tm send-keys -t q Enter
  if wait_for "$QUESTION"; then
    check_screen 100x30-question
    tm send-keys -t q Enter  # YES
    leave_pager
    expect_exit 0
    check_report "$out2" "after YES"
  fi
fi

# --- Run 3, 80x24, same output: the overwrite question, answered YES ---------
echo "== 80x24: YES again, the overwrite question"
start 80 24 "$out2"
if wait_for "[Emulex StorPort]"; then
  tm send-keys -t q Enter
  if wait_for "$QUESTION"; then
    tm send-keys -t q Enter  # YES
    if wait_for "Would you like to overwrite the existing configuration"; then
      check_screen 80x24-overwrite
      # Esc must not answer a YES/NO question: taken as NO, it would append
      # to the report, and the report comparison below would fail.
      tm send-keys -t q Escape
      tm send-keys -t q y
      leave_pager
      expect_exit 0
      check_report "$out2" "after overwriting"
    fi
  fi
fi

# --- Run 4: too small a terminal, then Ctrl-C during the sheet -----------------
echo "== too small, Ctrl-C"
out4="$WORK/out4"
start 80 24 "$out4"
if wait_for "[Emulex StorPort]"; then
  tm resize-window -t q -x 60 -y 20
  wait_for "Enlarge the terminal to at least 78x23" && check_screen 60x20-too-small
  tm send-keys -t q Escape  # ignored while the screens cannot be shown
  tm resize-window -t q -x 80 -y 24
  wait_for "[Emulex StorPort]" && check_screen 80x24-sheet-emulex-storport
  tm send-keys -t q C-c
  expect_exit 130
  screen_text | grep -qF "Driver Information" && fail "the sheet stayed on the screen after Ctrl-C"
fi

if [ "$failures" -ne 0 ]; then
  echo "terminal e2e: $failures failure(s)"
  exit 1
fi
echo "terminal e2e: all passed"
