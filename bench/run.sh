#!/usr/bin/env bash
# The large-server benchmark: generated offline servers of 250, 500 and 1,000
# searched OEM INFs and one with 8,000 files in its inf folder; for each, with
# the registry as hive files and as a .reg export, the wall time (median of
# several warm runs), processor time and peak memory of `quillon --report` and
# `quillon --pages`, beside the time to read every file the run needs once.
#
#   bash bench/run.sh [--runs N] [--only NAME]... [--images-only] [--build DIR] [--work DIR]
#   bash bench/run.sh --quick --build DIR
#
# Without --build it configures and builds build/bench (-O2 -g, -Werror).
# Images are kept in --work (default build/bench-images) and made again only
# when the generator or its options change. --quick (CI) makes one small
# image, checks that every step works and that the report lists exactly the
# INF files it must, and times nothing. --images-only makes and checks the
# images without measuring. NAME: s250, s500, s1000, inf8000. See bench/README.md.
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
QUICK=0
IMAGES_ONLY=0
RUNS=5
BUILD=
WORK=
ONLY=()

usage() {
  sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
}

while [ $# -gt 0 ]; do
  case $1 in
    --quick) QUICK=1 ;;
    --images-only) IMAGES_ONLY=1 ;;
    --runs) [ $# -ge 2 ] && [[ $2 =~ ^[1-9][0-9]*$ ]] || usage; RUNS=$2; shift ;;
    --only) [ $# -ge 2 ] || usage; ONLY+=("$2"); shift ;;
    --build) [ $# -ge 2 ] || usage; BUILD=$2; shift ;;
    --work) [ $# -ge 2 ] || usage; WORK=$2; shift ;;
    -h | --help) usage ;;
    *) echo "bench: unknown argument $1" >&2; usage ;;
  esac
  shift
done

# name|generator options. The 8,000-file image: 1,000 searched OEM INFs,
# 2,200 long-named ones and 800 inbox INFs, each with its .PNF.
IMAGES=(
  "s250|--oem-infs 250"
  "s500|--oem-infs 500"
  "s1000|--oem-infs 1000"
  "inf8000|--oem-infs 3200 --short-share 0.3125"
)
QUICK_IMAGE="quick|--oem-infs 40 --short-share 0.75 --inbox-infs 12 --services 60 --system32-files 40"

for name in "${ONLY[@]}"; do
  printf '%s\n' "${IMAGES[@]}" | grep -q "^$name|" || { echo "bench: no image called $name" >&2; usage; }
done

if [ -z "$BUILD" ]; then
  [ "$QUICK" = 1 ] && { echo "bench: --quick needs --build DIR" >&2; exit 2; }
  BUILD=$ROOT/build/bench
  echo "== building $BUILD (RelWithDebInfo: -O2 -g)"
  cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_WERROR=ON -DQUILLON_TESTS=OFF \
    >/dev/null || exit 1
  cmake --build "$BUILD" -j2 --target quillon bench_make_server bench_measure bench_read_once >/dev/null || exit 1
fi
BUILD=$(cd "$BUILD" && pwd)
QUILLON=$BUILD/quillon
for tool in "$QUILLON" "$BUILD/bench_make_server" "$BUILD/bench_measure" "$BUILD/bench_read_once"; do
  [ -x "$tool" ] || { echo "bench: $tool is missing; build the bench targets first" >&2; exit 1; }
done

if [ "$QUICK" = 1 ]; then
  WORK=$(mktemp -d "${TMPDIR:-/tmp}/quillon-bench.XXXXXX")
  trap 'rm -rf "$WORK"' EXIT
else
  WORK=${WORK:-$ROOT/build/bench-images}
  mkdir -p "$WORK"
  WORK=$(cd "$WORK" && pwd)
fi

# make_image NAME OPTIONS: the image in $WORK/NAME, made again when the
# generator's sources or the options changed since it was made (its sources,
# not its binary, so that builds in other folders share the images).
make_image() {
  local dir=$WORK/$1 stamp
  stamp="$2 $(cat "$ROOT"/bench/make_server.cpp "$ROOT"/bench/gen/* "$ROOT"/tools/lib/pe_builder.* \
    "$ROOT"/tools/lib/registry_content.* | md5sum | cut -c1-32)"
  if [ -f "$dir/stamp" ] && [ "$(cat "$dir/stamp")" = "$stamp" ]; then
    echo "== image $1: kept from an earlier run ($(head -1 "$dir/summary.txt"))"
    return 0
  fi
  rm -rf "$dir"
  echo "== image $1: generating"
  # shellcheck disable=SC2086
  "$BUILD/bench_make_server" --wine-reg "$dir/wine.reg" $2 "$dir" | tee "$WORK/summary.tmp" || return 1
  mv "$WORK/summary.tmp" "$dir/summary.txt"
  echo "$stamp" >"$dir/stamp"
}

# program_args NAME REGISTRY: quillon's machine options for an image, with
# its hives or with its .reg export.
program_args() {
  local dir=$WORK/$1
  ARGS=(--root "$dir/image" --output "$dir/out-$2")
  [ "$2" = reg ] && ARGS+=(--reg "$dir/registry.reg")
}

# check_run NAME REGISTRY: one --report and one --pages, which must succeed;
# the report must list exactly the OEM INFs the generator placed for its
# searches, and the pages must have found the TevoCCL package.
check_run() {
  local dir=$WORK/$1 report
  program_args "$1" "$2"
  rm -rf "$dir/out-$2"
  "$QUILLON" "${ARGS[@]}" --report >/dev/null || { echo "bench: quillon --report failed on $1 ($2)" >&2; return 1; }
  report=$dir/out-$2/Halvorn/Version/SysInfo.log
  iconv -f UTF-16LE -t UTF-8 "$report" | grep -o 'oem[0-9]*\.inf' | sort -u >"$dir/got.txt"
  if ! sort -u "$dir/listed-infs.txt" | diff - "$dir/got.txt" >"$dir/diff.txt"; then
    echo "bench: the report on $1 ($2) does not list the expected INF files (< expected, > listed):" >&2
    head -20 "$dir/diff.txt" >&2
    return 1
  fi
  "$QUILLON" "${ARGS[@]}" --pages | grep -q 'Tandrel TevoCCL Installed' ||
    { echo "bench: quillon --pages on $1 ($2) did not find the TevoCCL INF" >&2; return 1; }
  "$BUILD/bench_read_once" "$dir/needed-$2.list" >/dev/null || return 1
}

quick() {
  local name=${QUICK_IMAGE%%|*} reg
  make_image "$name" "${QUICK_IMAGE#*|}" || exit 1
  [ -s "$WORK/$name/wine.reg" ] || { echo "bench: no Wine registry written" >&2; exit 1; }
  for reg in hives reg; do
    check_run "$name" "$reg" || exit 1
    echo "  ok    $name with $reg: report lists the expected INFs, pages, read-once list"
  done
  # The measuring tool runs and answers for each command (its figures mean nothing here).
  local list=$WORK/$name/needed-hives.list
  [ "$("$BUILD/bench_measure" --runs 1 --warmup 0 -- "$BUILD/bench_read_once" "$list" ::: @2 \
    "$BUILD/bench_read_once" "$list" | wc -l)" = 2 ] || { echo "bench: bench_measure failed" >&2; exit 1; }
  echo "  ok    bench_measure"
  echo "bench quick mode: PASS"
}

# div A B: A / B with a precision that suits ratios.
div() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.1f", a / b; else print "-" }'; }
mb() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }

# row NAME REGISTRY REPORT PAGES READ: one line of the table from three
# "wall min max cpu rss_kb" measurements.
declare -A REPORT_WALL REPORT_CPU
row() {
  local name=$1 reg=$2 dir=$WORK/$1 rw rc rr pw pc pr yw yc searched files
  read -r rw _ _ rc rr <<<"$3"
  read -r pw _ _ pc pr <<<"$4"
  read -r yw _ _ yc _ <<<"$5"
  REPORT_WALL[$name-$reg]=$rw
  REPORT_CPU[$name-$reg]=$rc
  searched=$(sed -n 's/.*OEM INFs (\([0-9]*\) searched).*/\1/p' "$dir/summary.txt")
  files=$(sed -n 's/.*, \([0-9]*\) files in the inf folder.*/\1/p' "$dir/summary.txt")
  printf '| %s | %s | %s | %s | %s | %s | %s | %s× | %s× | %s | %s | %s | %s× | %s | %s |\n' "$name" "$reg" \
    "$searched" "$files" "$rw" "$pw" "$yw" "$(div "$rw" "$yw")" "$(div "$pw" "$yw")" "$rc" "$pc" "$yc" \
    "$(div "$rc" "$yc")" "$(mb "$rr")" "$(mb "$pr")" | tee -a "$RESULTS"
}

# compare IMAGE BASE REGISTRY: "A× wall, B× CPU", IMAGE's --report time over BASE's.
compare() {
  echo "$(div "${REPORT_WALL[$1-$3]}" "${REPORT_WALL[$2-$3]}")× wall," \
    "$(div "${REPORT_CPU[$1-$3]}" "${REPORT_CPU[$2-$3]}")× CPU"
}

full() {
  local entry name reg
  for entry in "${IMAGES[@]}"; do
    name=${entry%%|*}
    if [ ${#ONLY[@]} -gt 0 ] && [[ " ${ONLY[*]} " != *" $name "* ]]; then continue; fi
    make_image "$name" "${entry#*|}" || exit 1
    for reg in hives reg; do check_run "$name" "$reg" || exit 1; done
  done
  [ "$IMAGES_ONLY" = 1 ] && return 0
  RESULTS=$WORK/results.md
  {
    echo "Quillon bench, $(date -u '+%Y-%m-%d %H:%M UTC'), commit $(git -C "$ROOT" rev-parse --short HEAD)$(
      git -C "$ROOT" diff --quiet HEAD 2>/dev/null || echo ' (modified)')"
    echo "$(nproc) cores ($(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)), load $(cut -d' ' -f1-3 /proc/loadavg)"
    echo "median of $RUNS interleaved rounds after one more (the read-once yardstick 5 times a round);" \
      "wall and processor (user + system) times in seconds, peak RSS in MB"
    echo
    echo "| image | registry | searched INFs | files in inf folder | --report | --pages | read once |" \
      "report ÷ read | pages ÷ read | CPU --report | CPU --pages | CPU read once | CPU report ÷ read |" \
      "RSS --report | RSS --pages |"
    echo "|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|"
  } | tee "$RESULTS"
  # Every command of the table in one interleaved measurement: each round runs
  # them all once (the millisecond yardstick five times).
  local rows=() commands=() lines=() k
  for entry in "${IMAGES[@]}"; do
    name=${entry%%|*}
    if [ ${#ONLY[@]} -gt 0 ] && [[ " ${ONLY[*]} " != *" $name "* ]]; then continue; fi
    for reg in hives reg; do
      program_args "$name" "$reg"
      rows+=("$name $reg")
      commands+=(::: "$QUILLON" "${ARGS[@]}" --report ::: "$QUILLON" "${ARGS[@]}" --pages
        ::: @5 "$BUILD/bench_read_once" "$WORK/$name/needed-$reg.list")
    done
  done
  "$BUILD/bench_measure" --runs "$RUNS" --warmup 1 -- "${commands[@]:1}" >"$WORK/measure.out" || exit 1
  mapfile -t lines <"$WORK/measure.out"
  for k in "${!rows[@]}"; do
    # shellcheck disable=SC2086
    row ${rows[$k]} "${lines[$((3 * k))]}" "${lines[$((3 * k + 1))]}" "${lines[$((3 * k + 2))]}"
  done
  {
    echo
    for reg in hives reg; do
      if [ -n "${REPORT_WALL[s250-$reg]:-}" ] && [ -n "${REPORT_WALL[s1000-$reg]:-}" ]; then
        echo "growth ($reg): --report at 1,000 searched INFs takes $(compare s1000 s250 "$reg") of the time at 250"
      fi
      if [ -n "${REPORT_WALL[s1000-$reg]:-}" ] && [ -n "${REPORT_WALL[inf8000-$reg]:-}" ]; then
        echo "8,000 files in the inf folder ($reg): --report takes $(compare inf8000 s1000 "$reg") of the time with 3,600"
      fi
    done
    echo "load at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
  } | tee -a "$RESULTS"
  echo "(table in $RESULTS)"
}

if [ "$QUICK" = 1 ]; then quick; else full; fi
