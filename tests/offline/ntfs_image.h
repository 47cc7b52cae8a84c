// Small NTFS volumes made for a test at run time: mkntfs on a file, filled
// through ntfs-3g (a FUSE mount, so the test needs root and /dev/fuse) by
// copying a host tree and by setting what only NTFS has (8.3 names, reparse
// points) through ntfs-3g's extended attributes.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

namespace offline_test {

// Runs a shell command; true when it exits 0.
inline bool Shell(const std::string& command) {
  return std::system(("{ " + command + "; } >/dev/null 2>&1").c_str()) == 0;
}

// Why NTFS volumes cannot be made here; empty when they can.
inline std::string NtfsUnavailable() {
  if (geteuid() != 0) return "making an NTFS volume needs root (for its FUSE mount)";
  if (access("/dev/fuse", R_OK | W_OK) != 0) return "making an NTFS volume needs /dev/fuse";
  if (!Shell("command -v mkntfs && command -v ntfs-3g && command -v setfattr"))
    return "making an NTFS volume needs mkntfs, ntfs-3g and setfattr (packages ntfs-3g, attr)";
  return "";
}

// Makes an NTFS volume of `mib` MiB in `image`, mounts it, lets `fill` write
// into the mounted folder, and unmounts it. False when a step fails.
inline bool MakeNtfs(const std::filesystem::path& image, int mib,
                     const std::function<bool(const std::filesystem::path&)>& fill) {
  const std::filesystem::path mount = image.string() + ".mnt";
  std::filesystem::create_directories(mount);
  if (!Shell("truncate -s " + std::to_string(mib) + "M '" + image.string() + "'") ||
      !Shell("mkntfs -q -F -Q -c 4096 -L QTEST '" + image.string() + "'") ||
      !Shell("ntfs-3g -o streams_interface=xattr '" + image.string() + "' '" + mount.string() + "'"))
    return false;
  const bool filled = fill(mount);
  const bool unmounted = Shell("umount '" + mount.string() + "'");
  std::filesystem::remove(mount);
  return filled && unmounted;
}

// Sets a junction or symbolic link's reparse data on `path` (an empty
// folder or file on the mounted volume): `target` as Windows keeps it
// ("\??\C:\WINDOWS", or "..\inf" for a relative link).
inline bool SetReparse(const std::filesystem::path& path, bool junction, const std::u16string& target, bool relative) {
  std::string name;
  for (char16_t c : target) name += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  std::string data;
  auto u16 = [&](std::size_t v) { data += {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)}; };
  u16(0);                // substitute name offset
  u16(name.size());      // and length
  u16(name.size() + 2);  // print name offset (an empty one after the substitute's terminator)
  u16(0);
  if (!junction) data += relative ? std::string("\x01\0\0\0", 4) : std::string(4, '\0');
  data += name + std::string(4, '\0');
  std::string point = junction ? std::string("\x03\0\0\xA0", 4) : std::string("\x0C\0\0\xA0", 4);
  point += {static_cast<char>(data.size() & 0xFF), static_cast<char>(data.size() >> 8), 0, 0};
  point += data;
  std::string hex = "0x";
  char byte[3];
  for (unsigned char c : point) {
    std::snprintf(byte, sizeof byte, "%02x", c);
    hex += byte;
  }
  return Shell("setfattr -n system.ntfs_reparse_data -v " + hex + " '" + path.string() + "'");
}

}  // namespace offline_test
