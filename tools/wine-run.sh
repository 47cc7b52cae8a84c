#!/usr/bin/env bash
# Runs a Windows program under Wine in a private 32-bit prefix, created once.
set -euo pipefail
export WINEPREFIX="${QUILLON_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/quillon-wine32}"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w || true
fi
# Keep one Wine server, with Wine's own services, running between the many
# short test processes (ctest starts one per test case). The services start
# with the first program: let that be one holding none of our caller's pipes,
# or a caller reading our output would wait for the services to end.
if wineserver -p 30 2>/dev/null; then
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
fi
if [ -z "${DISPLAY:-}" ] && [ -n "${QUILLON_WINE_XVFB:-}" ] && command -v xvfb-run >/dev/null; then
  exec xvfb-run -a wine "$@"
fi
exec wine "$@"
