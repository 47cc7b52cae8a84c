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
if [ -z "${DISPLAY:-}" ] && [ -n "${QUILLON_WINE_XVFB:-}" ] && command -v xvfb-run >/dev/null; then
  exec xvfb-run -a wine "$@"
fi
exec wine "$@"
