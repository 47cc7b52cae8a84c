#!/usr/bin/env bash
# Fuzz campaigns: every libFuzzer target under AddressSanitizer and
# UndefinedBehaviorSanitizer, each input within 256 MB and 5 s. Not part of
# CI's default path (CI and test-all.sh replay fuzz/corpus/ only).
#
#   tools/fuzz.sh [SECONDS] [TARGET...]  fuzz each target (default: all) for
#       SECONDS (default 600), starting from fuzz/corpus/ and the seeds that
#       make_fuzz_seeds writes; then fold what the campaign found into
#       fuzz/corpus/ (minimised with -merge=1). PARALLEL=2 runs two at a time.
#   tools/fuzz.sh --bitflip [COPIES]  bit-flipped copies (default 1000 of
#       each) of the seed hives and the sample server's, each read once
#       by fuzz_hive; lists every copy that crashes, runs out of memory or time,
#       or takes over a second.
# Crashing inputs are left in build/fuzz-runs/artifacts/; logs beside them.
set -uo pipefail
cd "$(dirname "$0")/.."
SRC="$PWD"
BUILD="$SRC/build/fuzz"
RUNS="$SRC/build/fuzz-runs"
LIMITS=(-rss_limit_mb=256 -timeout=5)

env CC=clang CXX=clang++ cmake -S "$SRC" -B "$BUILD" -DQUILLON_FUZZ=ON -DQUILLON_TESTS=OFF >/dev/null || exit 1
cmake --build "$BUILD" -j2 >/dev/null || exit 1
rm -rf "$RUNS/seeds"
mkdir -p "$RUNS/artifacts"
"$BUILD/make_fuzz_seeds" "$RUNS/seeds" "$SRC/tests/fixtures/minimal.hive" || exit 1

if [ "${1:-}" = "--bitflip" ]; then
  copies="${2:-1000}"
  flips="$RUNS/bitflip"
  rm -rf "$flips"
  "$BUILD/make_fuzz_seeds" --bitflip "$flips" "$copies" "$RUNS/seeds/hive/"* \
    "$SRC/examples/sample-server/WINDOWS/system32/config/"* || exit 1
  bad=0 total=0
  for input in "$flips"/*; do
    total=$((total + 1))
    start=$(date +%s%N)
    if ! "$BUILD/fuzz_hive" "${LIMITS[@]}" "$input" >"$RUNS/bitflip.log" 2>&1; then
      echo "abnormal: $input"; cp "$input" "$RUNS/artifacts/"; bad=$((bad + 1)); continue
    fi
    ms=$(( ($(date +%s%N) - start) / 1000000 ))
    if [ "$ms" -gt 1000 ]; then echo "slow (${ms} ms): $input"; bad=$((bad + 1)); fi
  done
  echo "bit-flip campaign: $total copies read, $bad abnormal"
  [ "$bad" = 0 ]
  exit
fi

seconds="${1:-600}"
shift || true
targets=("$@")
if [ "${#targets[@]}" = 0 ]; then
  for src in fuzz/fuzz_*.cpp; do targets+=("$(basename "$src" .cpp)"); done
fi

campaign() {
  local target="$1" corpus="${1#fuzz_}"
  local work="$RUNS/$corpus"
  rm -rf "$work" && mkdir -p "$work/corpus" "$RUNS/artifacts/$corpus"
  mkdir -p "fuzz/corpus/$corpus"
  cp "fuzz/corpus/$corpus/"* "$work/corpus/" 2>/dev/null
  cp "$RUNS/seeds/$corpus/"* "$work/corpus/" 2>/dev/null
  "$BUILD/$target" "${LIMITS[@]}" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$RUNS/artifacts/$corpus/" "$work/corpus" >"$work/log" 2>&1
  local status=$?
  # Fold into the committed corpus: only inputs that add coverage, regression files kept.
  mkdir -p "$work/merged"
  cp "fuzz/corpus/$corpus/"regress_* "$work/merged/" 2>/dev/null
  # One process runs every input of a merge: AddressSanitizer's quarantine of
  # freed blocks (256 MB by default) would count against the memory limit.
  ASAN_OPTIONS=quarantine_size_mb=16 "$BUILD/$target" "${LIMITS[@]}" -artifact_prefix="$RUNS/artifacts/$corpus/merge-" \
    -merge=1 "$work/merged" "fuzz/corpus/$corpus" "$work/corpus" >"$work/merge.log" 2>&1 &&
    rm -rf "fuzz/corpus/$corpus" && cp -r "$work/merged" "fuzz/corpus/$corpus"
  local execs
  execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$work/log" | grep -o '[0-9]*$')
  echo "$target: ${execs:-?} executions in ${seconds} s, exit $status, $(ls "$RUNS/artifacts/$corpus" | wc -l) crash files," \
    "corpus $(ls "fuzz/corpus/$corpus" | wc -l) files"
}

running=0
for target in "${targets[@]}"; do
  campaign "$target" &
  running=$((running + 1))
  if [ "$running" -ge "${PARALLEL:-1}" ]; then wait -n; running=$((running - 1)); fi
done
wait
