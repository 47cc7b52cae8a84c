#!/usr/bin/env bash
# Builds quillon natively and runs the main job over the sample server image:
# the interactive screens on a terminal, else the pages as text and the report.
set -euo pipefail
cd "$(dirname "$0")/.."
JOB_OPTIONS="--pages"
# Only what building and running quillon needs; the test tools come with tools/test-all.sh.
bash tools/setup-deps.sh --build
cmake -S . -B build/main -DQUILLON_WERROR=ON -DQUILLON_TESTS=OFF
cmake --build build/main -j2 --target quillon
mkdir -p build/sample-output
bin=build/main/quillon
if [ -t 0 ] && [ -t 1 ]; then
  # On a terminal: the interactive screens (sheet, question, report in a pager).
  "$bin" --root examples/sample-server --output build/sample-output
  echo "the report (if you answered YES) is build/sample-output/Halvorn/Version/SysInfo.log"
  exit 0
fi
# shellcheck disable=SC2086
"$bin" --root examples/sample-server --output build/sample-output $JOB_OPTIONS
echo
echo "== writing the sample server's report (SysInfo.log) below build/sample-output"
report="$("$bin" --root examples/sample-server --output build/sample-output --report)"
echo "report written as $report, that is build/sample-output/${report#C:\\}" | tr '\\' '/'
