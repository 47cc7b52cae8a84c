#!/usr/bin/env bash
# The Windows build as the benchmark's peer: installs a generated server (by
# default the bench's 1,000-INF image) into a fresh Wine prefix - its inf
# folder, drivers, version markers and registry - and times
# `Quillon.exe --report` there, beside `quillon --report` on the same image.
# Wine runs the real SetupAPI semantics: every search opens and parses every
# OEM INF file.
#
#   bash bench/wine-peer.sh [--runs N] [--image NAME] [--exe Quillon.exe] [--build DIR]
#
# The prefix is "$QUILLON_WINEPREFIX-bench" (default build/wine32-bench), made
# afresh on every run. Without --exe, build/bench-win32 is configured and
# built (-O2 -g, as the offline build of bench/run.sh). The image comes from
# bench/run.sh's work folder and is made there when missing.
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
RUNS=5
IMAGE=s1000
EXE=
BUILD=

usage() {
  sed -n '2,15p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
}
while [ $# -gt 0 ]; do
  case $1 in
    --runs) [ $# -ge 2 ] && [[ $2 =~ ^[1-9][0-9]*$ ]] || usage; RUNS=$2; shift ;;
    --image) [ $# -ge 2 ] || usage; IMAGE=$2; shift ;;
    --exe) [ $# -ge 2 ] || usage; EXE=$2; shift ;;
    --build) [ $# -ge 2 ] || usage; BUILD=$2; shift ;;
    -h | --help) usage ;;
    *) echo "wine-peer: unknown argument $1" >&2; usage ;;
  esac
  shift
done

WORK=$ROOT/build/bench-images
DIR=$WORK/$IMAGE
BUILD=${BUILD:-$ROOT/build/bench}
if [ ! -f "$DIR/stamp" ] || [ ! -x "$BUILD/bench_measure" ]; then
  bash "$ROOT/bench/run.sh" --only "$IMAGE" --images-only || exit 1
fi
if [ -z "$EXE" ]; then
  echo "== building build/bench-win32 (RelWithDebInfo)"
  cmake -S "$ROOT" -B "$ROOT/build/bench-win32" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_WERROR=ON -DQUILLON_TESTS=OFF >/dev/null || exit 1
  cmake --build "$ROOT/build/bench-win32" -j2 --target quillon >/dev/null || exit 1
  EXE=$ROOT/build/bench-win32/Quillon.exe
fi
[ -f "$EXE" ] || { echo "wine-peer: $EXE is missing" >&2; exit 1; }

export WINEPREFIX=${QUILLON_WINEPREFIX:-$ROOT/build/wine32}-bench
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
DRIVE_C=$WINEPREFIX/drive_c
trap 'wineserver -k 2>/dev/null' EXIT

# copy_new FROM_DIR TO_DIR: every file of FROM_DIR that Wine does not have already.
copy_new() {
  local kept
  mkdir -p "$2"
  kept=$(comm -12 <(ls "$1" | sort) <(ls "$2" | sort) | wc -l)
  comm -23 <(ls "$1" | sort) <(ls "$2" | sort) | (cd "$1" && xargs -r -d '\n' cp -t "$2") || return 1
  [ "$kept" = 0 ] || echo "   $kept files of $1 kept as Wine has them"
}

echo "== fresh Wine prefix $WINEPREFIX"
rm -rf "$WINEPREFIX"
mkdir -p "$(dirname "$WINEPREFIX")"
wineboot -i >/dev/null 2>&1
wineserver -w
wine reg add 'HKCU\Software\Wine' /v Version /d win2003 /f >/dev/null 2>&1 || exit 1
echo "== installing $DIR/image"
copy_new "$DIR/image/WINDOWS/inf" "$DRIVE_C/windows/inf" &&
  copy_new "$DIR/image/WINDOWS/system32/drivers" "$DRIVE_C/windows/system32/drivers" &&
  copy_new "$DIR/image/Halvorn/Version" "$DRIVE_C/Halvorn/Version" || exit 1
mkdir -p "$DRIVE_C/Quillon"
cp "$EXE" "$DRIVE_C/Quillon/Quillon.exe"
wine regedit /S "$(winepath -w "$DIR/wine.reg" 2>/dev/null)" >/dev/null 2>&1 || exit 1
wineserver -w
wine reg query 'HKLM\SYSTEM\CurrentControlSet\Services\elxstor\Parameters\Device' /v DriverParameter 2>/dev/null |
  grep -q 'QueueDepth=32' || { echo "wine-peer: the registry did not arrive in Wine's registry" >&2; exit 1; }

# The same report as the offline build's, the date and time lines aside.
masked() { iconv -f UTF-16LE -t UTF-8 "$1" | sed -e 's#^\(Vexa HalvornDate:\).*#\1#' -e 's#^Time: .*#Time:#'; }
echo "== checking the report against the offline build's"
# The service manager and the other start-up work of a new prefix settle first.
wineserver -p
(cd "$DRIVE_C/Quillon" && wine 'C:\Quillon\Quillon.exe' --report >/dev/null 2>&1)
rm -rf "$DIR/out-peer"
"$BUILD/quillon" --root "$DIR/image" --output "$DIR/out-peer" --report >/dev/null || exit 1
if masked "$DRIVE_C/Halvorn/Version/SysInfo.log" | diff -q - <(masked "$DIR/out-peer/Halvorn/Version/SysInfo.log") \
  >/dev/null; then
  echo "   same report as the offline build"
else
  echo "   the reports differ (first lines of the difference, < Wine, > offline):"
  masked "$DRIVE_C/Halvorn/Version/SysInfo.log" | diff - <(masked "$DIR/out-peer/Halvorn/Version/SysInfo.log") |
    head -20 | sed 's/^/     /'
fi

echo "== measuring: $RUNS interleaved rounds after one more (load $(cut -d' ' -f1-3 /proc/loadavg))"
cd "$DRIVE_C/Quillon" || exit 1
"$BUILD/bench_measure" --runs "$RUNS" --warmup 1 -- \
  wine 'C:\Quillon\Quillon.exe' --report ::: wine 'C:\Quillon\Quillon.exe' --versions ::: \
  "$BUILD/quillon" --root "$DIR/image" --output "$DIR/out-peer" --report ::: \
  "$BUILD/quillon" --root "$DIR/image" --output "$DIR/out-peer" --reg "$DIR/registry.reg" --report ::: \
  @5 "$BUILD/bench_read_once" "$DIR/needed-hives.list" >"$DIR/peer.out" || exit 1
mapfile -t lines <"$DIR/peer.out"

row() { read -r wall _ _ cpu _ <<<"$2"; printf '| %s | %s | %s |\n' "$1" "$wall" "$cpu"; }
echo
echo "image $IMAGE: $(head -1 "$DIR/summary.txt" | sed 's/^[^:]*: //')"
echo "$(wine --version), $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "| run | wall s | CPU s (under Wine without wineserver's share) |"
echo "|---|---|---|"
row "Quillon.exe --report under Wine" "${lines[0]}"
row "Quillon.exe --versions under Wine (start-up and version reads only)" "${lines[1]}"
row "quillon --report, hives" "${lines[2]}"
row "quillon --report, .reg export" "${lines[3]}"
row "read every needed file once (hives)" "${lines[4]}"
