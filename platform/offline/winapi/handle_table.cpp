#include "platform/offline/winapi/handle_table.h"

namespace offline {

HandleTable& Handles() {
  static HandleTable table;
  return table;
}

os::HANDLE AddFile(safefs::Fd fd) { return AsHandle<os::HANDLE>(Handles().Add(FileObject{std::move(fd), nullptr, 0})); }

os::HANDLE AddReader(std::unique_ptr<DriveFile> reader) {
  return AsHandle<os::HANDLE>(Handles().Add(FileObject{safefs::Fd(), std::move(reader), 0}));
}

FileObject* FileOf(os::HANDLE handle) { return Handles().Get<FileObject>(HandleId(handle)); }

}  // namespace offline
