#!/usr/bin/env bash
# Checks the release files that tools/package.sh left in dist/:
#   1  the same sources built again in another folder give the same bytes
#   2  lintian finds no error in the .deb
#   3  the .deb installs; the installed quillon answers --version and --help,
#      loads its disk image reader,
#      man finds its manual, and it shows the sample server's pages
#   4  both Quillon.exe from the zip read the sample's drivers under 64-bit Wine
# Run by tools/test-all.sh after tools/package.sh. Exit status 0 only when all pass.
set -uo pipefail
cd "$(dirname "$0")/.."
SRC=$PWD
fail=0
ok() { echo "  ok    $1"; }
bad() { echo "  FAIL  $1"; fail=1; }
SUDO=()
[ "$(id -u)" = 0 ] || SUDO=(sudo)

deb=$(ls dist/quillon_*.deb 2>/dev/null | head -n1)
zip=$(ls dist/Quillon-*-windows.zip 2>/dev/null | head -n1)
if [ -z "$deb" ] || [ -z "$zip" ]; then
  echo "check-packages: no .deb or zip in dist/; run tools/package.sh first" >&2
  exit 1
fi
version=$(dpkg-deb -f "$deb" Version)
WORK=$(mktemp -d "${TMPDIR:-/tmp}/quillon-packages.XXXXXX")
trap 'rm -rf "$WORK"' EXIT

echo "-- 1  a second build in another folder"
# The sources as they are in this tree (tracked and new files, edits included),
# dated like the first build.
copy=$WORK/elsewhere/sources
mkdir -p "$copy"
git ls-files -z --cached --others --exclude-standard | tar --null -T - --ignore-failed-read -cf - 2>/dev/null |
  tar -xf - -C "$copy"
if SOURCE_DATE_EPOCH=$(git log -1 --format=%ct) bash "$copy/tools/package.sh" >"$WORK/second-build.log" 2>&1; then
  for f in dist/*; do
    if cmp -s "$f" "$copy/$f"; then ok "same bytes: $f"; else bad "differs between the two builds: $f"; fi
  done
  if [ "$fail" != 0 ]; then
    diff <(dpkg-deb -c "$deb") <(dpkg-deb -c "$copy/$deb") | head -20
    diff <(unzip -Zv "$zip") <(unzip -Zv "$copy/$zip") | head -20
  fi
else
  tail -20 "$WORK/second-build.log"
  bad "second build"
fi

echo "-- 2  lintian"
lintian --fail-on error "$deb" >"$WORK/lintian.log" 2>&1
status=$?
grep -v 'running with root privileges' "$WORK/lintian.log"
if [ "$status" = 0 ]; then ok "lintian: no error in $deb"; else bad "lintian: errors in $deb"; fi

echo "-- 3  the installed package"
was_installed=$(dpkg-query -W -f='${Status}' quillon 2>/dev/null | grep -c "install ok installed")
if "${SUDO[@]}" apt-get install -y --reinstall --no-install-recommends "./$deb" >"$WORK/install.log" 2>&1; then
  ok "installed $deb"
  [ "$(quillon --version)" = "quillon $version" ] && ok "quillon --version: quillon $version" ||
    bad "quillon --version: '$(quillon --version)', expected 'quillon $version'"
  quillon --help >/dev/null && ok "quillon --help" || bad "quillon --help"
  quillon --image /etc/hostname --list-volumes 2>&1 | grep -q "^Image '/etc/hostname' (raw" &&
    ok "installed quillon loads its disk image reader" || bad "installed quillon: no disk image reader"
  [ "$(man -w quillon)" = /usr/share/man/man1/quillon.1.gz ] && ok "man -w quillon" || bad "man -w quillon"
  quillon --root examples/sample-server --output "$WORK/output" --pages | diff - tests/e2e/sample-server.pages.txt >/dev/null &&
    ok "installed quillon shows the sample server's pages" || bad "installed quillon: pages differ from the golden ones"
  [ "$was_installed" = 1 ] || "${SUDO[@]}" apt-get remove -y quillon >/dev/null 2>&1
else
  tail -20 "$WORK/install.log"
  bad "apt-get install ./$deb"
fi

echo "-- 4  the zip's programs under 64-bit Wine"
if unzip -q "$zip" -d "$WORK/zip"; then
  dir=$(echo "$WORK"/zip/Quillon-*)
  if bash tests/e2e/wow64.sh "$dir/x86" "$dir/x64"; then ok "x86 and x64 Quillon.exe"; else bad "Quillon.exe from the zip"; fi
else
  bad "unzip $zip"
fi

[ "$fail" = 0 ] && echo "check-packages: all passed" || echo "check-packages: FAILED"
exit "$fail"
