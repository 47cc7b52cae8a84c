#!/usr/bin/env bash
# Installs the Debian packages a job needs; skips what is already installed.
#   bash tools/setup-deps.sh [--build | --package | --test]
#   --build    building and running quillon (the main job)
#   --package  --build, plus the cross compilers and tools for the .deb and the zip
#   --test     everything: --package, plus the test tools, Wine and Xvfb (the default)
# Runs apt-get through sudo when not started as root.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive

set_name="${1:---test}"
BUILD="cmake make g++ pkg-config libhivex-dev libncurses-dev nlohmann-json3-dev libtsk-dev less"
PACKAGE="$BUILD g++-mingw-w64-i686 g++-mingw-w64-x86-64 dpkg-dev file zip git"
TEST="$PACKAGE clang clang-format libclang-rt-14-dev googletest libgtest-dev wine wine32:i386 wine64 xvfb tmux
  imagemagick diffutils lintian man-db python3-jsonschema ntfs-3g fdisk qemu-utils ewf-tools attr sleuthkit
  forensics-samples-ntfs xz-utils"
case "$set_name" in
  --build) PKGS="$BUILD" ;;
  --package) PKGS="$PACKAGE" ;;
  --test) PKGS="$TEST" ;;
  *) echo "usage: bash tools/setup-deps.sh [--build | --package | --test]" >&2; exit 2 ;;
esac

SUDO=()
if [ "$(id -u)" != 0 ]; then
  if ! command -v sudo >/dev/null; then
    echo "setup-deps: not root and no sudo; run this as root, or install sudo, to install:" >&2
    echo "  $PKGS" >&2
    exit 1
  fi
  SUDO=(sudo)
fi

updated=""
if [ "$set_name" = --test ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "setup-deps: adding the i386 architecture (for wine32)"
  "${SUDO[@]}" dpkg --add-architecture i386
  "${SUDO[@]}" apt-get update
  updated=1
fi
missing=""
for p in $PKGS; do
  if dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then :; else missing="$missing $p"; fi
done
if [ -z "$missing" ]; then
  echo "setup-deps: all packages for $set_name installed"
  exit 0
fi
echo "setup-deps: installing$missing"
[ -n "$updated" ] || "${SUDO[@]}" apt-get update
# shellcheck disable=SC2086
"${SUDO[@]}" apt-get install -y --no-install-recommends $missing
