#!/usr/bin/env bash
# Writes small NTFS disks into FOLDER as seeds for fuzz_volume: a bare volume
# with a Windows tree (8.3 names, a junction, a symbolic link, a hard link, a
# compressed and a sparse file, a folder whose index needs blocks of its own),
# and the same volume in an MBR disk. Made with mkntfs and filled through an
# ntfs-3g mount, so it needs root and /dev/fuse; without them it writes nothing.
#   bash fuzz/make-volume-seeds.sh FOLDER
set -euo pipefail
out="${1:?usage: $0 FOLDER}"
mkdir -p "$out"
if [ "$(id -u)" != 0 ] || [ ! -w /dev/fuse ] || ! command -v mkntfs >/dev/null || ! command -v setfattr >/dev/null; then
  echo "make-volume-seeds: needs root, /dev/fuse, mkntfs and setfattr; no seeds made"
  exit 0
fi
work="$(mktemp -d)"
trap 'mountpoint -q "$work/mnt" && umount "$work/mnt"; rm -rf "$work"' EXIT
volume="$out/windows.ntfs"
truncate -s 2M "$volume"
mkntfs -q -F -Q -c 512 -s 512 -L SEED "$volume" >/dev/null 2>&1
mkdir "$work/mnt"
ntfs-3g -o streams_interface=xattr "$volume" "$work/mnt"
m="$work/mnt"
mkdir -p "$m/WINDOWS/system32/Drivers" "$m/WINDOWS/system32/config" "$m/WINDOWS/inf" "$m/packed" "$m/junction" "$m/link"
printf '[Version]\r\nSignature="$Windows NT$"\r\n' >"$m/WINDOWS/inf/elx12.inf"
setfattr -n system.ntfs_dos_name -v OEM12.INF "$m/WINDOWS/inf/elx12.inf"
ln "$m/WINDOWS/inf/elx12.inf" "$m/WINDOWS/inf/second.inf"
setfattr -n user.stream -v hidden "$m/WINDOWS/inf/second.inf"
for i in $(seq 1 40); do printf 'x%s' "$i" >"$m/WINDOWS/system32/a-rather-long-file-name-$i.dll"; done
setfattr -n system.ntfs_attrib_be -v 0x00000800 "$m/packed"
seq 1 3000 >"$m/packed/numbers.txt"
dd if=/dev/zero of="$m/holes.bin" bs=1 count=1 seek=200000 status=none
# Reparse data: a junction to \??\C:\WINDOWS, a relative symbolic link to WINDOWS\inf.
windows=5c003f003f005c0043003a005c00570049004e0044004f0057005300
inf=570049004e0044004f00570053005c0069006e006600
setfattr -n system.ntfs_reparse_data -v "0x030000a02800000000001c001e000000${windows}00000000" "$m/junction"
setfattr -n system.ntfs_reparse_data -v "0x0c0000a026000000000016001800000001000000${inf}00000000" "$m/link"
umount "$m"
truncate -s 3M "$out/mbr.disk"
printf 'label: dos\nstart=2048, size=4096, type=7\n' | sfdisk -q "$out/mbr.disk"
dd if="$volume" of="$out/mbr.disk" bs=1M seek=1 conv=notrunc status=none
echo "make-volume-seeds: wrote $(ls "$out" | wc -l) seeds into $out"
