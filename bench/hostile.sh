#!/usr/bin/env bash
# The files made to hurt the INF and PE readers, at full size: an INF with
# 4,000 or 8,000 sections, one made for the worst case, a line of 2,000
# fields full of %a%, a line of 10 MB, 200 sparse 16 MB oem*.inf files, a
# 255 MB sparse driver and an inf folder of 100,000 oem*.inf files, each on a
# system drive of its own beside a real OEM INF copy. For each, the wall time
# (median of --runs), processor time and peak memory of `quillon --report`,
# and whether the report still lists the real copy.
#
#   bash bench/hostile.sh [--runs N] [--build DIR] [--work DIR] [--timeout S] [NAME...]
#
# Without --build it builds build/bench as run.sh does. NAME: see
# bench/make_hostile.cpp. A run longer than --timeout (default 600 s) is
# shown as such. The tests hold the same cases at sizes that take under a
# second each (tests/offline/*hostile*, inf_parser_test, pe_version_test).
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
RUNS=3
BUILD=
WORK=
TIMEOUT=600
NAMES=()
while [ $# -gt 0 ]; do
  case $1 in
    --runs) RUNS=$2; shift ;;
    --build) BUILD=$2; shift ;;
    --work) WORK=$2; shift ;;
    --timeout) TIMEOUT=$2; shift ;;
    -h | --help) sed -n '2,15p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    -*) echo "hostile: unknown option $1" >&2; exit 2 ;;
    *) NAMES+=("$1") ;;
  esac
  shift
done
if [ -z "$BUILD" ]; then
  BUILD=$ROOT/build/bench
  cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_WERROR=ON -DQUILLON_TESTS=OFF >/dev/null &&
    cmake --build "$BUILD" -j2 --target quillon bench_make_hostile bench_measure >/dev/null || exit 1
fi
BUILD=$(cd "$BUILD" && pwd)
WORK=${WORK:-$ROOT/build/bench-hostile}
mkdir -p "$WORK"
"$BUILD/bench_make_hostile" "$WORK" "${NAMES[@]}" >"$WORK/images.txt" || exit 1

echo "| case | --report | CPU | peak RSS | the real copy listed |"
echo "|---|---|---|---|---|"
while read -r image; do
  dir=$(dirname "$image")
  name=$(basename "$dir")
  args=(--root "$image" --output "$dir/out")
  rm -rf "$dir/out"
  if ! timeout "$TIMEOUT" "$BUILD/quillon" "${args[@]}" --report >/dev/null 2>"$dir/stderr.txt"; then
    echo "| $name | over ${TIMEOUT} s or failed | | | |"
    continue
  fi
  listed=no
  iconv -f UTF-16LE -t UTF-8 "$dir/out/Halvorn/Version/SysInfo.log" | grep -q 'oem1\.inf' && listed=yes
  read -r wall _ _ cpu rss < <("$BUILD/bench_measure" --runs "$RUNS" --warmup 0 -- \
    "$BUILD/quillon" "${args[@]}" --report)
  printf '| %s | %s s | %s s | %s MB |  %s |\n' "$name" "$wall" "$cpu" "$(awk -v k="$rss" 'BEGIN { printf "%.0f", k / 1024 }')" "$listed"
done <"$WORK/images.txt"
