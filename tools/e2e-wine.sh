#!/usr/bin/env bash
# End-to-end test of the Windows program under Wine, in a virtual X display.
#   bash tools/e2e-wine.sh BUILD_DIR
# BUILD_DIR is the i686 cross build holding Quillon.exe and quillon_uia.exe.
# A fresh Wine prefix gets the sample system (examples/sample-server: driver
# files, version markers, OEM INFs and the registry from its hives) and
# Windows Server 2003 as its version; then quillon_uia drives the program
# through its screens, four times (after comparing its --json with the Linux
# build's):
#   1  sheet read page by page and compared with the Linux build's pages,
#      buttons checked, closed with OK; NO writes nothing
#   2  sheet closed with Esc; YES writes the report (compared with the golden
#      report) and opens it in a viewer
#   3  sheet closed with its close box; About box; YES asks "File Writing",
#      YES overwrites
#   4  sheet closed with OK; YES, and NO to the question appends a second report
# Screenshots go to build/e2e-artifacts/. Exit status 0 only when all pass.
set -uo pipefail

if [ $# -ne 1 ] || [ ! -d "$1" ]; then
  echo "usage: bash tools/e2e-wine.sh BUILD_DIR" >&2
  exit 2
fi
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "$1" && pwd)
EXE=$BUILD/Quillon.exe
UIA=$BUILD/quillon_uia.exe
for f in "$EXE" "$UIA"; do
  [ -f "$f" ] || { echo "e2e-wine: $f is missing; build the i686 cross build first" >&2; exit 2; }
done

# Everything below runs on a virtual screen of its own.
if [ -z "${QUILLON_E2E_DISPLAY_READY:-}" ]; then
  export QUILLON_E2E_DISPLAY_READY=1
  exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
fi

SAMPLE=$ROOT/examples/sample-server
GOLDEN_PAGES=$ROOT/tests/e2e/sample-server.pages.txt
GOLDEN_REPORT=$ROOT/tests/e2e/sample-server.SysInfo.txt
ART=$ROOT/build/e2e-artifacts
WORK=$(mktemp -d "${TMPDIR:-/tmp}/quillon-e2e.XXXXXX")
rm -rf "$ART"
mkdir -p "$ART"

export WINEPREFIX=$WORK/prefix
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
DRIVE_C=$WINEPREFIX/drive_c
REPORT=$DRIVE_C/Halvorn/Version/SysInfo.log
QPID=

cleanup() {
  wineserver -k 2>/dev/null
  [ -n "$QPID" ] && kill -9 "$QPID" 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

START=$(date +%s)
PASSED=()
FAILED=()
pass() { PASSED+=("$1"); echo "  ok    $1"; }
fail() { FAILED+=("$1"); echo "  FAIL  $1"; }

winpath() { winepath -w "$1" 2>/dev/null; }

# quillon_uia with its output indented under the current step.
uia() {
  local out rc
  out=$(wine "$UIA" "$@" 2>&1)
  rc=$?
  [ -n "$out" ] && printf '%s\n' "$out" | tr -d '\r' | sed 's/^/        /'
  return $rc
}

# check NAME COMMAND...: one checked step; a failed step ends the run.
check() {
  local name=$1
  shift
  if "$@"; then
    pass "$name"
  else
    fail "$name"
    return 1
  fi
}

# --- the prefix and the sample system ------------------------------------------
setup_prefix() {
  echo "== Wine prefix $WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wineserver -w
  # The sample is a Windows Server 2003 machine; GetVersionExW reports Wine's setting.
  wine reg add 'HKCU\Software\Wine' /v Version /d win2003 /f >/dev/null 2>&1 || return 1
  # Windows opens .log files with Notepad; a fresh Wine prefix knows no .log.
  wine reg add 'HKCR\.log' /ve /d txtfile /f >/dev/null 2>&1 || return 1
  # No window manager runs on the virtual screen: Wine draws the title bars
  # and frames itself, so that the screenshots show them.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1 || return 1

  local drivers=$DRIVE_C/windows/system32/drivers f
  mkdir -p "$drivers" "$DRIVE_C/Halvorn/Version" "$DRIVE_C/windows/inf" "$DRIVE_C/Quillon"
  for f in "$SAMPLE"/WINDOWS/system32/Drivers/*; do
    if [ -e "$drivers/$(basename "$f")" ]; then
      echo "sample driver $(basename "$f") would replace Wine's own file" >&2
      return 1
    fi
    cp "$f" "$drivers/"
  done
  cp "$SAMPLE"/Halvorn/Version/* "$DRIVE_C/Halvorn/Version/"
  cp "$SAMPLE"/WINDOWS/inf/oem*.inf "$DRIVE_C/windows/inf/"
  cp "$EXE" "$DRIVE_C/Quillon/Quillon.exe"

  # The registry: the hives' keys, CurrentControlSet being the control set
  # that the sample's Select\Current names.
  g++ -std=c++17 -O1 -I"$ROOT" "$ROOT/tools/sample_reg.cpp" "$ROOT/tools/lib/registry_content.cpp" \
    "$ROOT/tools/lib/hive_file.cpp" "$ROOT/platform/offline/formats/hive_reader.cpp" "$ROOT/platform/offline/formats/reg_tree.cpp" \
    "$ROOT/platform/codecs.cpp" "$ROOT/platform/text.cpp" \
    $(pkg-config --cflags --libs hivex) -o "$WORK/sample_reg" || return 1
  "$WORK/sample_reg" "$SAMPLE/WINDOWS/system32/config/SYSTEM" "$SAMPLE/WINDOWS/system32/config/SOFTWARE" \
    "$WORK/sample.reg" || return 1
  wine regedit /S "$(winpath "$WORK/sample.reg")" >/dev/null 2>&1 || return 1
  wineserver -w
  wine reg query 'HKLM\SYSTEM\CurrentControlSet\Services\elxstor\Parameters\Device' /v DriverParameter 2>/dev/null |
    grep -q 'QueueDepth=32' || { echo "the sample registry did not arrive in Wine's registry" >&2; return 1; }
}

# --- one run of the program -------------------------------------------------------
# Wine's own services start with the first program a Wine server runs, and
# inherit its descriptors: let that be a program holding none of our pipes,
# and keep the server (and the services) up for the whole test, or a $(...)
# around quillon_uia could wait for the services to end.
keep_server() {
  wineserver -p 2>/dev/null || true
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

start_program() {
  keep_server
  (cd "$DRIVE_C/Quillon" && exec wine 'C:\Quillon\Quillon.exe' >"$ART/quillon-run$1.log" 2>&1) &
  QPID=$!
}

# The program ended by itself, within the wait.
program_ended() {
  uia wait-exit || return 1
  local i
  for i in $(seq 1 100); do
    kill -0 "$QPID" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$QPID" 2>/dev/null; then
    echo "        the wine process of Quillon.exe is still there" >&2
    return 1
  fi
  wait "$QPID"
  local rc=$?
  QPID=
  echo "        exit status $rc"
}

# Ends what is left of a run that failed half-way (the program, a viewer).
stop_program() {
  [ -n "$QPID" ] || return 0
  wineserver -k 2>/dev/null
  kill -9 "$QPID" 2>/dev/null
  wait "$QPID" 2>/dev/null
  QPID=
}

screenshot() { # TITLE NAME
  local bmp=$WORK/$2.bmp
  uia screenshot "$1" "$(winpath "$bmp")" && convert "$bmp" "$ART/$2.png" && echo "        $ART/$2.png"
}

pages_match() {
  local dump=$ART/sheet-pages.txt
  uia dump-sheet "$(winpath "$dump")" || return 1
  diff -u "$GOLDEN_PAGES" "$dump" | sed 's/^/        /'
  return "${PIPESTATUS[0]}"
}

no_report() {
  [ ! -e "$REPORT" ] || { echo "        $REPORT exists" >&2; return 1; }
}

# No window of another program shows the report (after the program ended,
# so anything it started has had its chance to appear).
no_viewer() {
  if wine "$UIA" --timeout 3 kill-viewer SysInfo >/dev/null 2>&1; then
    echo "        a viewer showed the report" >&2
    return 1
  fi
}

# The report as text with its date and time masked, as the golden report has them.
masked_report() {
  iconv -f UTF-16LE -t UTF-8 "$REPORT" |
    sed -e $'s#^Vexa HalvornDate:  [0-9]\\{1,2\\}/[0-9]\\{1,2\\}/[0-9]\\{4\\} \r$#Vexa HalvornDate:  <date> \r#' \
        -e $'s#^Time:  [0-9]\\{1,2\\}:[ 0-9][0-9]:[ 0-9][0-9]\r$#Time:  <time>\r#'
}

# REPORT_COPIES: the report must be the golden report this many times,
# each later copy after "\r\n\r\n" (answer NO appends).
report_matches() {
  local copies=$1 expected=$WORK/expected.txt i
  [ -f "$REPORT" ] || { echo "        no $REPORT" >&2; return 1; }
  # UTF-16LE without a byte-order mark: the first unit is the first asterisk.
  if [ "$(head -c 2 "$REPORT" | od -An -tx1 | tr -d ' \n')" != "2a00" ]; then
    echo "        the report does not begin with 2a 00" >&2
    return 1
  fi
  : >"$expected"
  for i in $(seq 1 "$copies"); do
    [ "$i" -gt 1 ] && printf '\r\n\r\n' >>"$expected"
    cat "$GOLDEN_REPORT" >>"$expected"
  done
  masked_report >"$WORK/actual.txt"
  cp "$WORK/actual.txt" "$ART/SysInfo-run$RUN.txt"
  if ! cmp -s "$expected" "$WORK/actual.txt"; then
    diff -u "$expected" "$WORK/actual.txt" | cat -A | head -60 | sed 's/^/        /'
    return 1
  fi
  # The masked lines must hold today's date (or the one the run started on).
  local dates today started
  today=$(date +%-m/%-d/%Y)
  dates=$(iconv -f UTF-16LE -t UTF-8 "$REPORT" | sed -n 's#^Vexa HalvornDate:  \([0-9/]*\) \r$#\1#p' | sort -u)
  started=$(date -d "@$START" +%-m/%-d/%Y)
  for d in $dates; do
    if [ "$d" != "$today" ] && [ "$d" != "$started" ]; then
      echo "        report dated $d, today is $today" >&2
      return 1
    fi
  done
}

# C:\Korvane.log: the trace of the Zolvanta page's construction, two lines.
trace_written() {
  local trace=$DRIVE_C/Korvane.log
  printf 'CVexaDebugFile::CVexaDebugFile()\r\nCVexaDebugFile::~CVexaDebugFile()\r\n' | iconv -f UTF-8 -t UTF-16LE >"$WORK/trace"
  cmp -s "$trace" "$WORK/trace" || { echo "        $trace: $(od -c "$trace" 2>&1 | head -3)" >&2; return 1; }
}

run1() {
  check "run 1: sheet shown first, main dialog hidden" uia wait-sheet || return
  check "run 1: trace C:\\Korvane.log written" trace_written
  check "run 1: every page matches the Linux build's pages" pages_match
  check "run 1: only OK visible, centred" uia check-buttons
  check "run 1: sheet screenshot" screenshot "Driver Information" sheet
  local page=1
  while uia select-page "$page" >/dev/null 2>&1; do
    check "run 1: sheet page $page screenshot" screenshot "Driver Information" "sheet-page$page"
    page=$((page + 1))
  done
  check "run 1: first page shown again" uia select-page 0
  check "run 1: sheet closed with OK" uia close-sheet ok || return
  check "run 1: main dialog shows its question" uia wait-main || return
  check "run 1: main dialog screenshot" screenshot "Fairlock" main
  check "run 1: NO pressed" uia press no || return
  check "run 1: program ended" program_ended || return
  check "run 1: NO wrote no report" no_report
  check "run 1: NO opened no viewer" no_viewer
}

run2() {
  check "run 2: sheet shown" uia wait-sheet || return
  check "run 2: sheet closed with Esc" uia close-sheet esc || return
  check "run 2: main dialog after Esc" uia wait-main || return
  check "run 2: YES pressed" uia press yes || return
  check "run 2: program ended without asking" program_ended || return
  check "run 2: report equals the golden report" report_matches 1
  check "run 2: viewer opened the report" uia kill-viewer SysInfo
}

run3() {
  check "run 3: sheet shown" uia wait-sheet || return
  check "run 3: sheet closed with its close box" uia close-sheet close || return
  check "run 3: main dialog after the close box" uia wait-main || return
  if check "run 3: About box from system command 16" uia about; then
    check "run 3: About box screenshot" screenshot "About Fairlock" about
    check "run 3: About box closed" uia close-about
  fi
  check "run 3: YES pressed" uia press yes || return
  check "run 3: \"File Writing\" screenshot" screenshot "File Writing" file-writing
  check "run 3: overwrite question answered YES" uia answer-overwrite yes || return
  check "run 3: program ended" program_ended || return
  check "run 3: overwritten report equals the golden report" report_matches 1
  check "run 3: viewer opened the report" uia kill-viewer SysInfo
}

run4() {
  check "run 4: sheet shown" uia wait-sheet || return
  check "run 4: sheet closed with OK" uia close-sheet ok || return
  check "run 4: main dialog" uia wait-main || return
  # Every system command from 16 to 31 is the About entry.
  check "run 4: About box from system command 31" uia about 31 && check "run 4: About box closed" uia close-about
  check "run 4: YES pressed" uia press yes || return
  check "run 4: overwrite question answered NO" uia answer-overwrite no || return
  check "run 4: program ended" program_ended || return
  check "run 4: report appended after the old one" report_matches 2
  check "run 4: viewer opened the report" uia kill-viewer SysInfo
}

# --json: Quillon.exe under Wine prints the same bytes as the Linux build
# (QUILLON_NATIVE, default build/native/quillon) on the same sample, told
# Wine's spelling of the system directory.
json_matches() {
  local linux=${QUILLON_NATIVE:-$ROOT/build/native/quillon}
  [ -x "$linux" ] || { echo "        no Linux build at $linux (set QUILLON_NATIVE)" >&2; return 1; }
  (cd "$DRIVE_C/Quillon" && wine 'C:\Quillon\Quillon.exe' --json </dev/null >"$ART/facts-wine.json") || return 1
  "$linux" --root "$SAMPLE" --system-directory 'C:\windows\system32' --output "$WORK/linux-out" --json \
    >"$ART/facts-linux.json" || return 1
  cmp -s "$ART/facts-linux.json" "$ART/facts-wine.json" && return 0
  diff -u "$ART/facts-linux.json" "$ART/facts-wine.json" | head -40 | sed 's/^/        /'
  return 1
}

echo "== e2e-wine: $EXE"
if setup_prefix; then
  pass "setup: prefix with the sample system"
  wineserver -k 2>/dev/null
  keep_server
  check "json: Quillon.exe --json prints the Linux build's bytes" json_matches
  for RUN in 1 2 3 4; do
    echo "== run $RUN"
    start_program "$RUN"
    "run$RUN"
    stop_program
  done
else
  fail "setup: prefix with the sample system"
fi

echo
echo "== e2e-wine summary ($(($(date +%s) - START)) s): ${#PASSED[@]} passed, ${#FAILED[@]} failed"
for f in "${FAILED[@]}"; do echo "  FAIL  $f"; done
echo "   screenshots: $ART"
if [ ${#FAILED[@]} -eq 0 ]; then
  echo "PASS"
  exit 0
fi
echo "FAIL"
exit 1
