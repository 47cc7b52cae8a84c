#!/usr/bin/env bash
# Checks that every C++ file follows .clang-format (clang-format 14, as
# Debian 12 has it). With --fix, formats them in place instead.
#   bash tools/check-format.sh [--fix]
set -uo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || { echo "check-format: clang-format is not installed" >&2; exit 1; }
# The case-folding table is generated (tools/make-upcase.sh).
mapfile -t files < <(git ls-files '*.cpp' '*.h' | grep -v '^platform/upcase_table\.inc$')
[ "${#files[@]}" -gt 0 ] || { echo "check-format: no files (not a git checkout?)" >&2; exit 1; }
if [ "${1:-}" = --fix ]; then
  clang-format -i "${files[@]}"
else
  clang-format --dry-run --Werror "${files[@]}"
fi
