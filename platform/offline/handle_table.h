// Handles given out by the offline machine: open host files and folder listings.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/os.h"

namespace offline {

struct FindState {
  std::vector<os::WIN32_FIND_DATAW> entries;
  std::size_t next = 0;
};

class HandleTable {
 public:
  os::HANDLE AddFile(int fd);
  os::HANDLE AddFind(std::unique_ptr<FindState> state);
  int FileFd(os::HANDLE h);          // -1 when not a file handle
  FindState* Find(os::HANDLE h);     // null when not a find handle
  bool Close(os::HANDLE h);          // files only
  bool CloseFind(os::HANDLE h);

 private:
  std::mutex mutex_;
  std::uintptr_t next_ = 0x1000;
  std::map<std::uintptr_t, int> files_;
  std::map<std::uintptr_t, std::unique_ptr<FindState>> finds_;
};

HandleTable& Handles();

}  // namespace offline
