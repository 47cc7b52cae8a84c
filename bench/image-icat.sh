#!/usr/bin/env bash
# --image against the disk-image library's own extraction tool: the system
# drive TREE put on an NTFS volume (mkntfs, filled through an ntfs-3g mount),
# then the wall time of `quillon --image --report` (median of RUNS warm runs)
# beside the time `icat` takes to extract each file of NEEDED (one host path
# below TREE a line, such as bench_make_server's needed-hives.list) once, one
# process a file. The goal: the report within twice the extraction. Needs root
# and /dev/fuse for the mount; a measurement, never a test.
#   bash bench/image-icat.sh QUILLON TREE NEEDED [RUNS]
set -euo pipefail
QUILLON="$(realpath "${1:?usage: $0 QUILLON TREE NEEDED [RUNS]}")"
TREE="$(realpath "${2:?}")"
NEEDED="${3:?}"
RUNS="${4:-5}"
work="$(mktemp -d)"
trap 'mountpoint -q "$work/mnt" && umount "$work/mnt"; rm -rf "$work"' EXIT
median() { sort -n | awk '{v[NR]=$1} END {print v[int((NR + 1) / 2)]}'; }
seconds() {
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f\n", b - a }'
}

size=$(( $(du -sm "$TREE" | cut -f1) * 2 + 64 ))
truncate -s "${size}M" "$work/disk.ntfs"
mkntfs -q -F -Q -c 4096 "$work/disk.ntfs" >/dev/null 2>&1
mkdir "$work/mnt"
ntfs-3g "$work/disk.ntfs" "$work/mnt" && cp -a "$TREE/." "$work/mnt/" && umount "$work/mnt"

# The record number of each needed file, found once (not timed).
fls -r -p -F "$work/disk.ntfs" >"$work/files" 2>/dev/null
sed "s|^$TREE/||" "$NEEDED" >"$work/needed"
awk -F'\t' 'NR == FNR { want[$0] = 1; next } ($2 in want) { split($1, a, " "); split(a[2], b, "-"); print b[1] }' \
  "$work/needed" "$work/files" >"$work/records"
[ "$(wc -l <"$work/records")" = "$(wc -l <"$work/needed")" ] || { echo "bench: not every needed file is on the volume" >&2; exit 1; }

extract() { while read -r record; do icat "$work/disk.ntfs" "$record"; done <"$work/records"; }
report() { "$QUILLON" --image "$work/disk.ntfs" --output "$work/out" --report; }
report >/dev/null  # warm
for _ in $(seq "$RUNS"); do seconds report; done | median >"$work/report.s"
for _ in $(seq "$RUNS"); do seconds extract; done | median >"$work/icat.s"
printf 'needed files: %s (%s MB)\n' "$(wc -l <"$work/records")" "$(du -cm $(cat "$NEEDED") | tail -1 | cut -f1)"
awk -v r="$(cat "$work/report.s")" -v i="$(cat "$work/icat.s")" 'BEGIN {
  printf "quillon --image --report: %.2f s; icat, each needed file once: %.2f s; ratio %.2f (goal: at most 2)\n", r, i, r / i
}'
