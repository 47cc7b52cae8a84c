// Files and folders of the offline machine behind Win32 handles.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <mutex>

#include "platform/offline/handle_table.h"
#include "platform/offline/machine.h"
#include "platform/offline/path_map.h"
#include "platform/os.h"
#include "platform/text.h"

namespace os {
namespace {

thread_local DWORD g_lastError = 0;

DWORD ErrorFromErrno(int e) {
  switch (e) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES: case EPERM: case EROFS: case EISDIR: case ELOOP: return ERROR_ACCESS_DENIED;
    case ENOSPC: case EDQUOT: return ERROR_DISK_FULL;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENAMETOOLONG: return ERROR_INVALID_NAME;
    case EBADF: return ERROR_INVALID_HANDLE;
    default: return ERROR_WRITE_FAULT;
  }
}

bool CopyHostFile(const std::string& from, const std::string& to) {
  int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  int out = open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
  bool ok = out >= 0;
  char buf[65536];
  while (ok) {
    ssize_t n = read(in, buf, sizeof buf);
    if (n == 0) break;
    if (n < 0 || write(out, buf, static_cast<std::size_t>(n)) != n) ok = false;
  }
  close(in);
  if (out >= 0) close(out);
  return ok;
}

std::uint64_t ToFileTimeTicks(const struct timespec& t) {
  return (static_cast<std::uint64_t>(t.tv_sec) + 11644473600ull) * 10000000ull +
         static_cast<std::uint64_t>(t.tv_nsec) / 100;
}

}  // namespace

DWORD GetLastError() { return g_lastError; }
void SetLastError(DWORD error) { g_lastError = error; }

UINT GetSystemDirectoryW(WCHAR* buffer, UINT size) {
  const std::u16string& dir = offline::CurrentMachine().systemDirectory;
  if (dir.empty()) return 0;
  if (!buffer || size <= dir.size()) return static_cast<UINT>(dir.size() + 1);
  text::Copy(buffer, size, dir);
  return static_cast<UINT>(dir.size());
}

HANDLE CreateFileW(const WCHAR* fileName, DWORD access, DWORD /*share*/, void*, DWORD disposition, DWORD flags,
                   HANDLE) {
  if (!fileName || disposition < CREATE_NEW || disposition > 5) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  std::u16string_view name(fileName, text::Length(fileName, 32768));
  bool writes = (access & GENERIC_WRITE) != 0 || disposition != OPEN_EXISTING;
  std::optional<offline::MappedPath> path = writes ? offline::MapForWrite(name) : offline::MapForRead(name);
  if (!path) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  if (writes && !path->exists && (disposition == OPEN_ALWAYS || disposition == OPEN_EXISTING ||
                                  disposition == 5 /*TRUNCATE_EXISTING*/)) {
    // A file of the image opened for writing below --output: start from its content.
    std::optional<offline::MappedPath> image = offline::MapForRead(name);
    if (image && image->exists && image->host != path->host) {
      struct stat st;
      if (stat(image->host.c_str(), &st) == 0 && S_ISREG(st.st_mode) && CopyHostFile(image->host, path->host))
        path->exists = true;
    }
  }
  struct stat st;
  bool existed = path->exists && lstat(path->host.c_str(), &st) == 0;
  if (existed && S_ISDIR(st.st_mode)) {
    if (!(flags & FILE_FLAG_BACKUP_SEMANTICS) || (disposition != OPEN_EXISTING && disposition != OPEN_ALWAYS)) {
      SetLastError(ERROR_ACCESS_DENIED);
      return INVALID_HANDLE_VALUE;
    }
    int fd = open(path->host.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
      SetLastError(ErrorFromErrno(errno));
      return INVALID_HANDLE_VALUE;
    }
    SetLastError(disposition == OPEN_ALWAYS ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return offline::Handles().AddFile(fd);
  }
  if (!existed) {
    if (disposition == OPEN_EXISTING || disposition == 5) {
      SetLastError(path->parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
      return INVALID_HANDLE_VALUE;
    }
    if (!path->parentExists) {
      SetLastError(ERROR_PATH_NOT_FOUND);
      return INVALID_HANDLE_VALUE;
    }
  } else if (disposition == CREATE_NEW) {
    SetLastError(ERROR_FILE_EXISTS);
    return INVALID_HANDLE_VALUE;
  }
  int mode = (access & GENERIC_WRITE) ? ((access & GENERIC_READ) ? O_RDWR : O_WRONLY) : O_RDONLY;
  if (!(access & (GENERIC_READ | GENERIC_WRITE)) && disposition != OPEN_EXISTING) mode = O_RDWR;
  int oflags = mode | O_NOFOLLOW | O_CLOEXEC;
  if (disposition == CREATE_ALWAYS || disposition == 5) oflags |= O_TRUNC;
  if (disposition != OPEN_EXISTING && disposition != 5) oflags |= O_CREAT;
  if ((oflags & O_TRUNC) && mode == O_RDONLY) oflags = (oflags & ~O_ACCMODE) | O_RDWR;
  int fd = open(path->host.c_str(), oflags, (flags & FILE_ATTRIBUTE_READONLY) ? 0444 : 0644);
  if (fd < 0) {
    SetLastError(ErrorFromErrno(errno));
    return INVALID_HANDLE_VALUE;
  }
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  bool reportsExisting = existed && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS);
  SetLastError(reportsExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return offline::Handles().AddFile(fd);
}

BOOL WriteFile(HANDLE file, const void* buffer, DWORD bytesToWrite, DWORD* bytesWritten, void*) {
  if (bytesWritten) *bytesWritten = 0;
  int fd = offline::Handles().FileFd(file);
  if (fd < 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  const char* p = static_cast<const char*>(buffer);
  DWORD done = 0;
  while (done < bytesToWrite) {
    ssize_t n = write(fd, p + done, bytesToWrite - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (bytesWritten) *bytesWritten = done;
      SetLastError(ErrorFromErrno(errno));
      return FALSE;
    }
    done += static_cast<DWORD>(n);
  }
  if (bytesWritten) *bytesWritten = done;
  return TRUE;
}

BOOL ReadFile(HANDLE file, void* buffer, DWORD bytesToRead, DWORD* bytesRead, void*) {
  if (bytesRead) *bytesRead = 0;
  int fd = offline::Handles().FileFd(file);
  if (fd < 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  DWORD done = 0;
  char* p = static_cast<char*>(buffer);
  while (done < bytesToRead) {
    ssize_t n = read(fd, p + done, bytesToRead - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      SetLastError(ErrorFromErrno(errno));
      return FALSE;
    }
    if (n == 0) break;
    done += static_cast<DWORD>(n);
  }
  if (bytesRead) *bytesRead = done;
  return TRUE;
}

DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD moveMethod) {
  int fd = offline::Handles().FileFd(file);
  if (fd < 0 || moveMethod > FILE_END) {
    SetLastError(fd < 0 ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  std::int64_t offset = distanceHigh ? (static_cast<std::int64_t>(*distanceHigh) << 32) |
                                           static_cast<std::uint32_t>(distance)
                                     : distance;
  int whence = moveMethod == FILE_BEGIN ? SEEK_SET : moveMethod == FILE_CURRENT ? SEEK_CUR : SEEK_END;
  off_t pos = lseek(fd, static_cast<off_t>(offset), whence);
  if (pos < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  if (distanceHigh) *distanceHigh = static_cast<LONG>(static_cast<std::uint64_t>(pos) >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(static_cast<std::uint64_t>(pos) & 0xFFFFFFFFu);
}

BOOL GetFileTime(HANDLE file, FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite) {
  int fd = offline::Handles().FileFd(file);
  struct stat st;
  if (fd < 0 || fstat(fd, &st) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  auto put = [](FILETIME* out, const struct timespec& t) {
    if (!out) return;
    std::uint64_t ticks = ToFileTimeTicks(t);
    out->dwLowDateTime = static_cast<DWORD>(ticks);
    out->dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  };
  put(creation, st.st_ctim);
  put(lastAccess, st.st_atim);
  put(lastWrite, st.st_mtim);
  return TRUE;
}

BOOL CloseHandle(HANDLE handle) {
  if (!offline::Handles().Close(handle)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

BOOL CreateDirectoryW(const WCHAR* path, void*) {
  if (!path) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  std::u16string_view name(path, text::Length(path, 32768));
  std::optional<offline::MappedPath> p = offline::MapForWrite(name);
  if (!p) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  std::optional<offline::MappedPath> existing = offline::MapForRead(name);
  if (p->exists || (existing && existing->exists)) {
    SetLastError(ERROR_ALREADY_EXISTS);
    return FALSE;
  }
  if (!p->parentExists) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  if (mkdir(p->host.c_str(), 0755) != 0) {
    SetLastError(ErrorFromErrno(errno));
    return FALSE;
  }
  return TRUE;
}

// Nothing redirects file-system access offline.
BOOL Wow64DisableWow64FsRedirection(void** oldValue) {
  if (oldValue) *oldValue = nullptr;
  return TRUE;
}
BOOL Wow64RevertWow64FsRedirection(void*) { return TRUE; }

}  // namespace os
