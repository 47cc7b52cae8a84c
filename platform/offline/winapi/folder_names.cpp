#include "platform/offline/winapi/folder_names.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <memory>
#include <mutex>
#include <tuple>
#include <unordered_map>

#include "platform/text.h"

namespace offline::safefs {
namespace {

// A folder as it was when read: which one, and its last change.
using FolderKey = std::tuple<dev_t, ino_t, std::int64_t, std::int64_t, std::int64_t, std::int64_t>;

struct Kept {
  std::mutex mutex;
  std::map<FolderKey, std::map<std::u16string, std::string>> folders;  // upper-cased name -> first spelling
  std::size_t names = 0;
};

Kept& KeptFolders() {
  static Kept& kept = *new Kept;
  return kept;
}

// Calls `each` with every name of the folder; false when it cannot be read.
template <typename Each>
bool ReadNames(int dirFd, Each each) {
  const int listing = openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listing < 0) return false;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(fdopendir(listing), closedir);
  if (!dir) {
    close(listing);
    return false;
  }
  while (dirent* e = readdir(dir.get())) {
    const std::string entry = e->d_name;
    if (entry != "." && entry != ".." && !each(entry)) break;
  }
  return true;
}

}  // namespace

std::optional<std::string> FindNameNoCase(int dirFd, const std::string& name) {
  const std::u16string wanted = text::Upcased(text::FromUtf8(name));
  struct stat st;
  if (fstat(dirFd, &st) != 0) return std::nullopt;
  const FolderKey key{st.st_dev,          st.st_ino,         st.st_mtim.tv_sec,
                      st.st_mtim.tv_nsec, st.st_ctim.tv_sec, st.st_ctim.tv_nsec};
  Kept& kept = KeptFolders();
  {
    std::lock_guard<std::mutex> lock(kept.mutex);
    const auto folder = kept.folders.find(key);
    if (folder != kept.folders.end()) {
      const auto found = folder->second.find(wanted);
      if (found == folder->second.end()) return std::nullopt;
      return found->second;
    }
  }
  std::map<std::u16string, std::string> names;
  std::optional<std::string> match;
  bool fits = true;
  const bool read = ReadNames(dirFd, [&](const std::string& entry) {
    std::u16string upper = text::Upcased(text::FromUtf8(entry));
    if (!match && upper == wanted) match = entry;
    if (fits && names.size() < kMaxNames) {
      names.emplace(std::move(upper), entry);  // the first spelling stays
    } else {
      fits = false;
      names.clear();
    }
    return fits || !match;
  });
  if (!read) return std::nullopt;
  if (fits) {
    std::lock_guard<std::mutex> lock(kept.mutex);
    if (kept.folders.size() >= kMaxFolders || kept.names + names.size() > kMaxNames) {
      kept.folders.clear();
      kept.names = 0;
    }
    kept.names += names.size();
    kept.folders.emplace(key, std::move(names));
  }
  return match;
}

}  // namespace offline::safefs
