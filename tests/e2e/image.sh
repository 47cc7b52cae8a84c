#!/usr/bin/env bash
# quillon --image on disk images made here from the sample server: an NTFS
# volume made with mkntfs and filled through an ntfs-3g mount, as a bare
# volume, in an MBR and a GPT disk (sfdisk on a file), split into pieces,
# and converted to VHD, VHDX, VMDK (qemu-img) and E01 (ewfacquire). Each must
# give the pages, the report and the trace that --root gives on the tree.
# Then the image listing, a real image nobody here wrote (Debian's
# forensics-samples-ntfs), bad input of every kind, and usage errors.
#   bash tests/e2e/image.sh path/to/quillon
# Needs root and /dev/fuse (for the ntfs-3g mount); skipped without them.
set -uo pipefail
QUILLON="$(realpath "${1:?usage: $0 QUILLON}")"
cd "$(dirname "$0")/../.."
SAMPLE="$PWD/examples/sample-server"
export LSAN_OPTIONS="suppressions=$PWD/tests/e2e/lsan-libraries.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
if [ "$(id -u)" != 0 ] || [ ! -w /dev/fuse ]; then
  echo "image e2e: skipped (making an NTFS volume needs root and /dev/fuse)"
  exit 0
fi
for tool in mkntfs ntfs-3g sfdisk qemu-img ewfacquire setfattr iconv xz; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (bash tools/setup-deps.sh --test)"; exit 1; }
done

work="$(mktemp -d)"
mount="$work/mnt"
cleanup() { mountpoint -q "$mount" && umount "$mount"; rm -rf "$work"; }
trap cleanup EXIT
failures=0
pass() { echo "ok: $1"; }
fail() { echo "FAIL: $1"; failures=$((failures + 1)); }

# The written report, UTF-16LE, as UTF-8 with the date and time masked.
report_text() {
  iconv -f UTF-16LE -t UTF-8 "$1/Halvorn/Version/SysInfo.log" |
    sed -e 's/^Vexa HalvornDate:  .*\r$/Vexa HalvornDate:  <date> \r/' -e 's/^Time:  .*\r$/Time:  <time>\r/'
}

# Pages, report and trace of one run, into folder $1; the rest are quillon's arguments.
outputs() {
  local into="$1"
  shift
  mkdir -p "$into"
  "$QUILLON" "$@" --output "$into/out" --pages >"$into/pages" 2>"$into/pages.err" &&
    "$QUILLON" "$@" --output "$into/out" --report >/dev/null 2>"$into/report.err" &&
    report_text "$into/out" >"$into/report" && cp "$into/out/Korvane.log" "$into/trace"
}

# --- the volume and the disks around it -------------------------------------
truncate -s 16M "$work/volume.ntfs"
mkntfs -q -F -Q -c 4096 -L SAMPLE "$work/volume.ntfs" >/dev/null 2>&1
mkdir -p "$mount"
ntfs-3g "$work/volume.ntfs" "$mount" && cp -a "$SAMPLE/." "$mount/" && umount "$mount" ||
  { echo "FAIL: cannot fill the NTFS volume through ntfs-3g"; exit 1; }

truncate -s 20M "$work/mbr.img"
printf 'label: dos\nstart=2048, size=32768, type=7\n' | sfdisk -q "$work/mbr.img"
dd if="$work/volume.ntfs" of="$work/mbr.img" bs=1M seek=1 conv=notrunc status=none
# A GPT disk whose first partition holds nothing, so that the volume with
# Windows is chosen by what it holds.
truncate -s 24M "$work/gpt.img"
printf 'label: gpt\nstart=2048, size=2048, type=0FC63DAF-8483-4772-8E79-3D69D8477DE4\nstart=4096, size=32768, type=EBD0A0A2-B9E5-4433-87C0-68B6B72699C7\n' |
  sfdisk -q "$work/gpt.img"
dd if="$work/volume.ntfs" of="$work/gpt.img" bs=1M seek=2 conv=notrunc status=none
qemu-img convert -f raw -O vpc "$work/gpt.img" "$work/disk.vhd"
qemu-img convert -f raw -O vhdx "$work/mbr.img" "$work/disk.vhdx"
qemu-img convert -f raw -O vmdk "$work/gpt.img" "$work/disk.vmdk"
ewfacquire -u -q -t "$work/disk" -S 1MiB -c none "$work/mbr.img" >/dev/null 2>&1
split -b 4M -d -a 3 --numeric-suffixes=1 "$work/mbr.img" "$work/split.img."

# --- the same pages, report and trace as --root -----------------------------
outputs "$work/root" --root "$SAMPLE" || fail "--root on the sample server"
for disk in volume.ntfs mbr.img gpt.img disk.vhd disk.vhdx disk.vmdk disk.E01 split.img.001; do
  if ! outputs "$work/$disk.run" --image "$work/$disk"; then
    fail "$disk: $(cat "$work/$disk.run/"*.err)"
    continue
  fi
  for what in pages report trace; do
    if cmp -s "$work/root/$what" "$work/$disk.run/$what"; then pass "$disk: the $what of --root"; else
      fail "$disk: the $what differ from --root's"
      diff <(cat -A "$work/root/$what") <(cat -A "$work/$disk.run/$what") | head -10
    fi
  done
done

# --- what the image holds ---------------------------------------------------
expect() {  # expect NAME STATUS PATTERN quillon-arguments...
  local name="$1" status="$2" pattern="$3"
  shift 3
  local out code
  out="$(timeout 60 "$QUILLON" "$@" 2>&1)"
  code=$?
  # The pattern may span lines: they are matched as one.
  if [ "$code" = "$status" ] && tr '\n' ' ' <<<"$out" | grep -qE -- "$pattern"; then pass "$name"; else
    fail "$name (status $code, wanted $status and /$pattern/):"
    printf '%s\n' "$out" | head -8
  fi
}
expect "--list-volumes on a GPT disk" 0 \
  " 2 +2097152 +16777216 +NTFS +SAMPLE +\\\\WINDOWS" --image "$work/gpt.img" --list-volumes
expect "--partition picks a volume that is no NTFS: refused" 1 "volume 1 .*only NTFS volumes are read" \
  --image "$work/gpt.img" --partition 1 --output "$work/o" --pages
expect "--partition picks the NTFS volume" 0 "Emulex StorPort" --image "$work/gpt.img" --partition 2 \
  --output "$work/o" --pages
xz -dc /usr/share/forensics-samples/fs.ntfs.xz >"$work/forensics.ntfs"
expect "forensics-samples-ntfs: listed" 0 " 1 +1048576 +51380224 +NTFS +- +- $" --image "$work/forensics.ntfs" --list-volumes
expect "forensics-samples-ntfs: no Windows system on it" 1 \
  "holds no Windows system folder .*volume 1 \\(offset 1048576, 49 MiB\\): NTFS, no Windows system folder" \
  --image "$work/forensics.ntfs" --output "$work/o" --report

# --- bad input: a message, status 1, no hang ---------------------------------
printf 'not a disk at all\n' >"$work/text.txt"
expect "a text file" 1 "is not a disk image" --image "$work/text.txt" --output "$work/o" --pages
mkfifo "$work/fifo"
expect "a FIFO" 1 "neither a disk image file nor a block device" --image "$work/fifo" --output "$work/o" --pages
truncate -s 4M "$work/empty.img"
printf 'label: dos\nstart=2048, size=4096, type=7\n' | sfdisk -q "$work/empty.img"
expect "an MBR disk without NTFS" 1 "holds no NTFS volume; volumes looked at:.*" --image "$work/empty.img" \
  --output "$work/o" --pages
cp "$work/mbr.img" "$work/bitlocker.img"
printf -- '-FVE-FS-' | dd of="$work/bitlocker.img" bs=1 seek=$((1048576 + 3)) conv=notrunc status=none
expect "a BitLocker volume" 1 "volume 1 .*encrypted with BitLocker" --image "$work/bitlocker.img" --output "$work/o" --pages
head -c 12M "$work/mbr.img" >"$work/truncated.img"
expect "a truncated image" 1 "cut short" --image "$work/truncated.img" --output "$work/o" --pages
cp "$work/mbr.img" "$work/nomft.img"
mft=$(( $(od -An -tu8 -j $((1048576 + 48)) -N8 "$work/mbr.img") * 4096 + 1048576 ))
dd if=/dev/zero of="$work/nomft.img" bs=1 seek="$mft" count=1024 conv=notrunc status=none
expect "a damaged MFT" 1 "volume 1 .*cannot be read" --image "$work/nomft.img" --output "$work/o" --pages
rm "$work/split.img.002"
expect "a split image without its second piece" 1 "segment '.*split.img.002' is missing" \
  --image "$work/split.img.001" --output "$work/o" --pages
rm "$work/disk.E03"
expect "an E01 set without its third segment" 1 "segment '.*disk.E03' is missing" --image "$work/disk.E01" \
  --output "$work/o" --pages

# --- usage errors: status 2 ---------------------------------------------------
expect "--image without --output" 2 "--image needs --output" --image "$work/mbr.img" --pages
expect "--root with --image" 2 "exclude each other" --root "$SAMPLE" --image "$work/mbr.img" --output "$work/o" --pages
expect "--partition without --image" 2 "go with --image" --root "$SAMPLE" --partition 2 --pages
expect "--partition that is no number" 2 "volume number" --image "$work/mbr.img" --partition x --output "$work/o" --pages

# --- the image is only read --------------------------------------------------
before="$(sha256sum "$work/mbr.img")"
"$QUILLON" --image "$work/mbr.img" --output "$work/o2" --report --append >/dev/null 2>&1
[ "$(sha256sum "$work/mbr.img")" = "$before" ] && pass "the image is left as it was" || fail "the image changed"

if [ "$failures" = 0 ]; then echo "image e2e: all passed"; else echo "image e2e: $failures failed"; exit 1; fi
