#!/usr/bin/env bash
# Installs every build and test dependency; skips what is already installed.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO=sudo; fi
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "setup-deps: adding the i386 architecture"
  $SUDO dpkg --add-architecture i386
  $SUDO apt-get update
fi
PKGS="cmake g++ clang libclang-rt-14-dev googletest libgtest-dev libhivex-dev libncurses-dev pkg-config
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine32:i386 wine64 xvfb tmux imagemagick less diffutils
  nlohmann-json3-dev python3-jsonschema"
missing=""
for p in $PKGS; do
  if dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then :; else missing="$missing $p"; fi
done
if [ -z "$missing" ]; then
  echo "setup-deps: all packages installed"
  exit 0
fi
echo "setup-deps: installing$missing"
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends $missing
