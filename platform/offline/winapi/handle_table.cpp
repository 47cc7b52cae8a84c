#include "platform/offline/winapi/handle_table.h"

namespace offline {

HandleTable& Handles() {
  static HandleTable table;
  return table;
}

os::HANDLE AddFile(safefs::Fd fd) { return AsHandle<os::HANDLE>(Handles().Add(FileObject{std::move(fd)})); }

int FileFd(os::HANDLE handle) {
  FileObject* file = Handles().Get<FileObject>(HandleId(handle));
  return file ? file->fd.get() : -1;
}

}  // namespace offline
