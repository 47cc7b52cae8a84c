#!/usr/bin/env bash
# Native (sanitized, -Werror) build and tests, Windows cross build with tests under Wine,
# a replay of every fuzz target over its corpus, and the release files (.deb and
# Windows zip) built twice and checked. Non-zero exit on any failure.
set -uo pipefail
cd "$(dirname "$0")/.."
SRC="$PWD"
fail=0
section() { echo; echo "==== $1 ($(date -u +%H:%M:%S))"; }
run() { "$@" || { echo "FAILED: $*"; fail=1; return 1; }; }

section "dependencies"
bash tools/setup-deps.sh --test || exit 1

section "code layout (.clang-format)"
run bash tools/check-format.sh

section "native build"
run cmake -S "$SRC" -B build/native -DQUILLON_WERROR=ON -DQUILLON_SANITIZE=ON &&
  run cmake --build build/native -j2 &&
  { section "native tests"; run ctest --test-dir build/native --output-on-failure; } &&
  { section "JSON schema (python3-jsonschema)"; run python3 tools/check-json-schema.py build/native; } &&
  { section "terminal end to end (tmux)"; run bash tests/e2e/terminal.sh build/native/quillon; } &&
  { section "disk images end to end"; run bash tests/e2e/image.sh build/native/quillon; }

section "bench quick mode (the benchmark still works; nothing is timed)"
if [ -x build/native/bench_make_server ]; then
  run bash bench/run.sh --quick --build build/native
else
  echo "FAILED: build/native has no bench tools"; fail=1
fi

section "windows cross build"
run cmake -S "$SRC" -B build/win32 -DCMAKE_TOOLCHAIN_FILE="$SRC/cmake/mingw-i686.cmake" -DQUILLON_WERROR=ON &&
  run cmake --build build/win32 -j2 &&
  { section "windows tests (wine; live dialogs in xvfb)"; run env QUILLON_WINE_XVFB=1 ctest --test-dir build/win32 --output-on-failure; }

section "windows x86_64 cross build (the program)"
run cmake -S "$SRC" -B build/win64 -DCMAKE_TOOLCHAIN_FILE="$SRC/cmake/mingw-x86_64.cmake" -DQUILLON_WERROR=ON \
  -DQUILLON_TESTS=OFF && run cmake --build build/win64 -j2 --target quillon

if [ -f build/win32/Quillon.exe ]; then
  section "windows end to end (wine, xvfb)"
  run bash tools/e2e-wine.sh build/win32
  section "both programs on 64-bit windows (wine64)"
  run bash tests/e2e/wow64.sh build/win32 $([ -f build/win64/Quillon.exe ] && echo build/win64)
fi

section "fuzz build"
if run env CC=clang CXX=clang++ cmake -S "$SRC" -B build/fuzz -DQUILLON_FUZZ=ON -DQUILLON_TESTS=OFF &&
   run cmake --build build/fuzz -j2; then
  section "fuzz corpus replay"
  for src in fuzz/fuzz_*.cpp; do
    [ -e "$src" ] || continue
    target="$(basename "$src" .cpp)"
    corpus="fuzz/corpus/${target#fuzz_}"
    bin="$(find build/fuzz -type f -name "$target" -perm -u+x | head -n1)"
    if [ -z "$bin" ]; then echo "FAILED: no binary for $target"; fail=1; continue; fi
    # A generator beside the targets makes seeds too large to keep (disk images).
    made=()
    if [ -f "fuzz/make-${target#fuzz_}-seeds.sh" ]; then
      rm -rf "build/fuzz/corpus/${target#fuzz_}"
      bash "fuzz/make-${target#fuzz_}-seeds.sh" "build/fuzz/corpus/${target#fuzz_}" && made=("build/fuzz/corpus/${target#fuzz_}")
    fi
    if [ -d "$corpus" ]; then run "$bin" -runs=0 "$corpus" "${made[@]}"; else echo "FAILED: no corpus $corpus"; fail=1; fi
  done
fi

# --- release files: the .deb and the Windows zip, built twice in two folders
# and compared, lintian, the .deb installed and run, the zip's programs under Wine
section "release files (tools/package.sh)"
run bash tools/package.sh &&
  { section "release files checked (tools/check-packages.sh)"; run bash tools/check-packages.sh; }

section "result"
if [ "$fail" = 0 ]; then echo "ALL PASSED"; else echo "SOME STAGES FAILED"; fi
exit "$fail"
