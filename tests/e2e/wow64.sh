#!/usr/bin/env bash
# On 64-bit Windows, Quillon.exe must read the real drivers folder: the 32-bit
# build too, which the system would redirect to the 32-bit one. Runs each
# given build in a 64-bit Wine prefix with the Emulex StorPort driver only in
# system32\drivers and a decoy of another version in syswow64\drivers.
# Usage: tests/e2e/wow64.sh BUILD_DIR...   (builds holding Quillon.exe: i686, x86_64)
set -euo pipefail
cd "$(dirname "$0")/../.."
[ $# -gt 0 ] || { echo "usage: $0 BUILD_DIR..."; exit 2; }
for build in "$@"; do
  [ -f "$build/Quillon.exe" ] || { echo "wow64: no $build/Quillon.exe"; exit 1; }
done

export WINEPREFIX="${QUILLON_WINEPREFIX64:-${XDG_CACHE_HOME:-$HOME/.cache}/quillon-wine64}"
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "wow64: creating the 64-bit prefix $WINEPREFIX"
  mkdir -p "$(dirname "$WINEPREFIX")"
  wine wineboot -i >/dev/null 2>&1 || true
  wineserver -w || true
fi
windows="$WINEPREFIX/drive_c/windows"
drivers="$windows/system32/drivers"
wow_drivers="$windows/syswow64/drivers"
sample=examples/sample-server/WINDOWS/system32/Drivers
mkdir -p "$drivers" "$wow_drivers"
cleanup() { rm -f "$drivers/ELXSTOR.sys" "$wow_drivers/ELXSTOR.sys"; wineserver -k 2>/dev/null || true; }
trap cleanup EXIT
cp "$sample/elxstor.sys" "$drivers/ELXSTOR.sys"       # version 7.1.12.0
cp "$sample/ql2300.sys" "$wow_drivers/ELXSTOR.sys"    # the decoy: 9.1.4.10

status=0
for build in "$@"; do
  out="$(wine "$build/Quillon.exe" --versions </dev/null 2>&1 | tr -d '\r')"
  line="$(printf '%s\n' "$out" | grep '^ELXSTOR.sys:' || true)"
  if [ "$line" = "ELXSTOR.sys: 7.1.12.0" ]; then
    echo "wow64: PASS $build ($line, read from the 64-bit drivers folder)"
  else
    echo "wow64: FAIL $build: expected 'ELXSTOR.sys: 7.1.12.0', got '${line:-nothing}'"
    printf '%s\n' "$out" | head -20
    status=1
  fi
done
exit "$status"
