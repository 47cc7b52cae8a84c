#include "platform/offline/handle_table.h"

#include <unistd.h>

namespace offline {
namespace {
std::uintptr_t Key(os::HANDLE h) { return reinterpret_cast<std::uintptr_t>(h); }
}  // namespace

os::HANDLE HandleTable::AddFile(int fd) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::uintptr_t id = next_ += 4;
  files_[id] = fd;
  return reinterpret_cast<os::HANDLE>(id);
}

os::HANDLE HandleTable::AddFind(std::unique_ptr<FindState> state) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::uintptr_t id = next_ += 4;
  finds_[id] = std::move(state);
  return reinterpret_cast<os::HANDLE>(id);
}

int HandleTable::FileFd(os::HANDLE h) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = files_.find(Key(h));
  return it == files_.end() ? -1 : it->second;
}

FindState* HandleTable::Find(os::HANDLE h) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = finds_.find(Key(h));
  return it == finds_.end() ? nullptr : it->second.get();
}

bool HandleTable::Close(os::HANDLE h) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = files_.find(Key(h));
  if (it == files_.end()) return false;
  close(it->second);
  files_.erase(it);
  return true;
}

bool HandleTable::CloseFind(os::HANDLE h) {
  std::lock_guard<std::mutex> lock(mutex_);
  return finds_.erase(Key(h)) == 1;
}

HandleTable& Handles() {
  static HandleTable table;
  return table;
}

}  // namespace offline
