// Look-ups kept above the drive sources for the run (what a Windows path maps
// to, what a pattern lists), and how a write makes them stale. A write is
// known by its place, a drive-relative path ("/WINDOWS/INF/OEM1.INF", upper-
// cased as the key of every look-up): what was found at it, above it (a folder
// that now holds it) or below it is forgotten. Data written through a handle
// changes no path, only what listings say of sizes and times.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>

#include "platform/offline/winapi/safe_fs.h"

namespace offline {

class WriteAware {
 public:
  // A write at `key` (a file or folder made, replaced, removed or renamed).
  virtual void ForgetPath(const std::string& key) = 0;
  // Data written to a file on the side written to (--output, else the root).
  virtual void ForgetWritten() = 0;
  // Everything (the machine was set up anew).
  virtual void ForgetAll() = 0;

 protected:
  ~WriteAware() = default;
};

// Tells `cache` of every write from now on. Caches live for the run.
void RegisterWriteAware(WriteAware* cache);

// The run's one cache of type T, told of every write from its first use. It
// lives for the process: nothing of it is freed block by block at exit.
template <typename T>
T& RunCache() {
  static T& cache = []() -> T& {
    auto* made = new T;
    RegisterWriteAware(made);
    return *made;
  }();
  return cache;
}

// The key of a Windows path (empty when it is on no drive of the machine) or
// of a drive-relative path.
std::string PathKey(std::u16string_view windowsPath);
std::string PathKey(const safefs::Parts& parts);
// True when `a` is `b` or a folder above it.
bool IsAtOrAbove(const std::string& a, const std::string& b);

// Called before anything is written, with where (a Windows path, or the parts
// of a place below the folder written to); or after data went through a
// handle; or when the machine is set up anew.
void ForgetAfterWrite(std::u16string_view windowsPath);
void ForgetAfterWrite(const safefs::Parts& parts);
void ForgetAfterDataWrite();
void ForgetEveryLookup();

struct Found;
class DriveSource;
// A file as a run knows it, to keep what was read of it: its drive, its
// place there, its size and its times. A file written or replaced during the
// run is another file.
using FileIdentity = std::tuple<const DriveSource*, std::string, std::uint64_t, std::uint64_t, std::uint64_t>;
// Nothing when the drive cannot say.
std::optional<FileIdentity> IdentityOf(const Found& found);

}  // namespace offline
