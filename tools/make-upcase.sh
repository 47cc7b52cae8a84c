#!/usr/bin/env bash
# Regenerates platform/upcase_table.inc from the Unicode character data that
# ICU carries (Debian: libicu-dev), by the rule written in tools/make_upcase.cpp.
# Not part of the build: the table is committed, and the build needs no ICU.
set -euo pipefail
cd "$(dirname "$0")/.."
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
c++ -std=c++17 -O1 -Wall -Wextra -o "$work/make_upcase" tools/make_upcase.cpp $(pkg-config --cflags --libs icu-uc)
"$work/make_upcase" > "$work/upcase_table.inc"
mv "$work/upcase_table.inc" platform/upcase_table.inc
echo "wrote platform/upcase_table.inc"
