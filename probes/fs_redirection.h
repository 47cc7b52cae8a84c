// On 64-bit Windows a 32-bit process that names "<system dir>\Drivers\" is
// silently sent to the 32-bit system folder, where no adapter driver lives.
// While one of these guards exists, the thread's file-system redirection is
// off, so the real drivers folder is read. Keep its scope to the file lookups:
// while it is off, Windows also loads DLLs from the 64-bit folder.
#pragma once

class CFileSystemRedirectionOff {
 public:
  CFileSystemRedirectionOff();
  ~CFileSystemRedirectionOff();
  CFileSystemRedirectionOff(const CFileSystemRedirectionOff&) = delete;
  CFileSystemRedirectionOff& operator=(const CFileSystemRedirectionOff&) = delete;

 private:
  void* oldValue_ = nullptr;
  bool disabled_ = false;
};
