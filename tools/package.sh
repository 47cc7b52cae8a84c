#!/usr/bin/env bash
# Builds the release files into dist/, installing what it needs first:
#   dist/quillon_VERSION_ARCH.deb          quillon for Debian (CPack)
#   dist/Quillon-VERSION-windows.zip       Quillon.exe for x86 and x64, README.txt
#   dist/SHA256SUMS
# Reproducible: every date comes from SOURCE_DATE_EPOCH (by default the last
# commit's time), so two builds of one commit, in any two folders, give the
# same bytes.
#   bash tools/package.sh
set -euo pipefail
cd "$(dirname "$0")/.."
SRC=$PWD
bash tools/setup-deps.sh --package

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  if ! SOURCE_DATE_EPOCH=$(git -C "$SRC" log -1 --format=%ct 2>/dev/null); then
    echo "package: not a git checkout; set SOURCE_DATE_EPOCH to the sources' time" >&2
    exit 1
  fi
fi
export SOURCE_DATE_EPOCH TZ=UTC LC_ALL=C
umask 022
OUT=$SRC/build/package
DIST=$SRC/dist
rm -rf "$DIST" "$OUT/deb" "$OUT/zip"
mkdir -p "$DIST"
COMMON=(-DQUILLON_TESTS=OFF -DQUILLON_WERROR=ON -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON)

echo "== quillon for Debian"
# Debian's own compiler and linker flags, hardening included.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
# Installed below /usr, where the program looks for its disk image module.
cmake -S "$SRC" -B "$OUT/linux" "${COMMON[@]}" -DCMAKE_BUILD_TYPE=None -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_C_FLAGS="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
  -DCMAKE_MODULE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)"
cmake --build "$OUT/linux" -j2 --target quillon
(cd "$OUT/linux" && cpack -G DEB -B "$OUT/deb")
cp "$OUT"/deb/*.deb "$DIST/"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$OUT/linux/CMakeCache.txt")

echo "== Quillon.exe for Windows"
name=Quillon-$version
stage=$OUT/zip/$name
# Stripped by the linker (-s): strip would stamp the PE header with a time.
for arch in i686:x86 x86_64:x64; do
  cmake -S "$SRC" -B "$OUT/${arch%:*}" "${COMMON[@]}" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_EXE_LINKER_FLAGS_RELEASE=-s -DCMAKE_TOOLCHAIN_FILE="$SRC/cmake/mingw-${arch%:*}.cmake"
  cmake --build "$OUT/${arch%:*}" -j2 --target quillon
  cmake --install "$OUT/${arch%:*}" --prefix "$stage/${arch#*:}"
done
# Text files for Notepad: CRLF line ends.
crlf() { sed 's/\r$//; s/$/\r/' "$@"; }
crlf packaging/README.txt >"$stage/README.txt"
crlf LICENSE >"$stage/LICENSE.txt"
crlf packaging/third-party-windows.txt /usr/share/doc/mingw-w64-common/copyright >"$stage/THIRD-PARTY.txt"
# Fixed modes and times, members in sorted order, no owner or extra time
# fields (zip -X), times in UTC (TZ above).
find "$stage" -type d -exec chmod 0755 {} + -o -type f -exec chmod 0644 {} +
find "$stage" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
(cd "$OUT/zip" && find "$name" -type f | sort | zip -X -D -9 -q -@ "$DIST/$name-windows.zip")

(cd "$DIST" && sha256sum -- *.deb *.zip >SHA256SUMS)
echo "== dist/ (sources of $(date -u -d "@$SOURCE_DATE_EPOCH" '+%Y-%m-%d %H:%M:%S UTC'))"
(cd "$DIST" && cat SHA256SUMS)
