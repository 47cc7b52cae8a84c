#include "probes/fs_redirection.h"

#include "platform/os.h"

CFileSystemRedirectionOff::CFileSystemRedirectionOff() {
  // Fails on 32-bit Windows and where the call does not exist; nothing to undo then.
  const os::DWORD lastError = os::GetLastError();
  disabled_ = os::Wow64DisableWow64FsRedirection(&oldValue_) != 0;
  os::SetLastError(lastError);
}

CFileSystemRedirectionOff::~CFileSystemRedirectionOff() {
  if (!disabled_) return;
  const os::DWORD lastError = os::GetLastError();
  os::Wow64RevertWow64FsRedirection(oldValue_);
  os::SetLastError(lastError);
}
