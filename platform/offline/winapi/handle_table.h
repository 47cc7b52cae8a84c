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
#include "platform/offline/winapi/inf_cache.h"
#include "platform/offline/winapi/safe_fs.h"
#include "platform/os.h"

namespace offline {

// CreateFileW: a regular file or a folder, held open.
struct FileObject {
  safefs::Fd fd;
};
// One entry of a folder listing, as compact as a listing of many thousands
// of files needs it.
struct FoundEntry {
  std::u16string name;
  os::DWORD attributes = 0;
  std::uint64_t size = 0;
  std::uint64_t writeTime = 0;  // a FILETIME
  std::uint32_t order = 0;      // where it was met: of two equal names the first is kept
};
// FindFirstFileW: the matching entries, in the order they are handed out.
struct FindObject {
  std::vector<FoundEntry> entries;
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

// A new file handle holding `fd`.
os::HANDLE AddFile(safefs::Fd fd);
// The descriptor of a file handle; -1 when `handle` is not one.
int FileFd(os::HANDLE handle);

}  // namespace offline
