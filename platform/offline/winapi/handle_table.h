// The handles the offline machine gives out, one table for every kind: open
// files, folder listings, registry keys and INF files. A handle is refused,
// never dereferenced, when it is unknown or names an object of another kind.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <variant>
#include <vector>

#include "platform/offline/formats/reg_tree.h"
#include "platform/offline/winapi/drive_source.h"
#include "platform/offline/winapi/inf_cache.h"
#include "platform/offline/winapi/safe_fs.h"
#include "platform/os.h"

namespace offline {

// CreateFileW: a regular file or a folder, held open: on the host folder
// written to (`fd`), or for reading through a drive source (`reader`, with the
// handle's own file pointer).
struct FileObject {
  safefs::Fd fd;
  std::unique_ptr<DriveFile> reader;
  std::uint64_t position = 0;
};
// One entry of a folder listing, as compact as a listing of many thousands
// of files needs it.
struct FoundEntry {
  std::u16string names;  // the long name, then, after a NUL, the 8.3 name when there is one
  std::u16string key;    // the upper-cased name that matched (the long one, else the short one): the order
  os::DWORD attributes = 0;
  std::uint64_t size = 0;
  DriveTimes times;
  std::uint32_t order = 0;  // where it was met: of two entries with one name the first is kept

  std::u16string_view Name() const { return std::u16string_view(names).substr(0, names.find(u'\0')); }
  std::u16string_view ShortName() const {
    const std::size_t nul = names.find(u'\0');
    return nul == std::u16string::npos ? std::u16string_view() : std::u16string_view(names).substr(nul + 1);
  }
};
// FindFirstFileW: the matching entries, in the order they are handed out
// (shared with the listing kept for the pattern).
struct FindObject {
  std::shared_ptr<const std::vector<FoundEntry>> entries;
  std::size_t next = 0;
};
// RegOpenKeyExW: a key of the registry in force.
struct KeyObject {
  const RegTreeKey* key = nullptr;
};
// SetupOpenInfFileW: an INF file, parsed or known from earlier.
struct InfObject {
  std::shared_ptr<OpenInf> inf;
};

class HandleTable {
 public:
  template <typename T>
  std::uintptr_t Add(T object) {
    std::lock_guard<std::mutex> lock(mutex_);
    next_ += 4;
    objects_.emplace(next_, Object(std::move(object)));
    return next_;
  }

  // The object behind `handle` when it is a T, else null. The pointer stays
  // valid until the handle is removed.
  template <typename T>
  T* Get(std::uintptr_t handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = objects_.find(handle);
    return it == objects_.end() ? nullptr : std::get_if<T>(&it->second);
  }

  // Removes (and so closes) `handle` when it is a T.
  template <typename T>
  bool Remove(std::uintptr_t handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = objects_.find(handle);
    if (it == objects_.end() || !std::holds_alternative<T>(it->second)) return false;
    objects_.erase(it);
    return true;
  }

  // Removes every handle of kind T (the registry keys, when the registry is
  // loaded anew).
  template <typename T>
  void RemoveAll() {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = objects_.begin(); it != objects_.end();) {
      it = std::holds_alternative<T>(it->second) ? objects_.erase(it) : std::next(it);
    }
  }

 private:
  using Object = std::variant<FileObject, FindObject, KeyObject, InfObject>;
  std::mutex mutex_;
  std::uintptr_t next_ = 0x1000;
  std::map<std::uintptr_t, Object> objects_;
};

HandleTable& Handles();

// Handles as the calls take and give them.
template <typename H>
std::uintptr_t HandleId(H handle) {
  return reinterpret_cast<std::uintptr_t>(handle);
}
template <typename H>
H AsHandle(std::uintptr_t id) {
  return reinterpret_cast<H>(id);
}

// A new file handle holding `fd`, or reading `reader`.
os::HANDLE AddFile(safefs::Fd fd);
os::HANDLE AddReader(std::unique_ptr<DriveFile> reader);
// The file handle's object; null when `handle` is not one.
FileObject* FileOf(os::HANDLE handle);

}  // namespace offline
