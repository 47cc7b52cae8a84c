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

constexpr DWORD ERROR_NEGATIVE_SEEK = 131;
constexpr DWORD TRUNCATE_EXISTING = 5;

// The host's stand-in for the read-only attribute: no write permission for
// anyone. Checked explicitly because the superuser's open() ignores it.
bool ReadOnly(const struct stat& st) { return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0; }

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
  if (!fileName || disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING) {
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
  // Below --output the caller sees the image's files too: one that exists only
  // in the image counts as existing, and is copied when it is opened for writing.
  bool inImageOnly = false;
  if (writes && !path->exists) {
    std::optional<offline::MappedPath> image = offline::MapForRead(name);
    struct stat ist;
    if (image && image->exists && image->host != path->host && stat(image->host.c_str(), &ist) == 0) {
      if (S_ISDIR(ist.st_mode) || ReadOnly(ist)) {
        path = image;  // answered from the image: a folder, or a file that may not be written
      } else if (S_ISREG(ist.st_mode)) {
        inImageOnly = true;
        if (disposition != CREATE_ALWAYS && disposition != CREATE_NEW) {
          if (!CopyHostFile(image->host, path->host)) {
            SetLastError(ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
          }
          path->exists = true;
        }
      }
    }
  }
  struct stat st {};
  bool onHost = path->exists && lstat(path->host.c_str(), &st) == 0;
  bool existed = onHost || inImageOnly;
  if (onHost && S_ISDIR(st.st_mode)) {
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
    if (disposition == OPEN_EXISTING || disposition == TRUNCATE_EXISTING) {
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
  } else if (onHost && S_ISREG(st.st_mode) && ReadOnly(st) &&
             ((access & GENERIC_WRITE) || disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  // The descriptor gets only the access asked for, so that a handle without
  // GENERIC_WRITE cannot write (WriteFile then fails as on Windows).
  int mode = (access & GENERIC_WRITE) ? ((access & GENERIC_READ) ? O_RDWR : O_WRONLY) : O_RDONLY;
  bool truncate = disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
  mode_t perms = (flags & FILE_ATTRIBUTE_READONLY) ? 0444 : 0644;
  int oflags = mode | O_NOFOLLOW | O_CLOEXEC;
  if (disposition != OPEN_EXISTING && disposition != TRUNCATE_EXISTING) oflags |= O_CREAT;
  if (truncate && mode == O_RDONLY) {
    // Truncate through a short-lived writable descriptor, then open as asked.
    int w = open(path->host.c_str(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_CLOEXEC | (oflags & O_CREAT), perms);
    if (w < 0) {
      SetLastError(ErrorFromErrno(errno));
      return INVALID_HANDLE_VALUE;
    }
    close(w);
  } else if (truncate) {
    oflags |= O_TRUNC;
  }
  int fd = open(path->host.c_str(), oflags, perms);
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
      // The handle is known, so EBADF means it was not opened for writing.
      SetLastError(errno == EBADF ? ERROR_ACCESS_DENIED : ErrorFromErrno(errno));
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
      if (bytesRead) *bytesRead = done;
      SetLastError(errno == EBADF || errno == EISDIR ? ERROR_ACCESS_DENIED : ErrorFromErrno(errno));
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
  std::int64_t offset = distanceHigh ? static_cast<std::int64_t>(
                                           (static_cast<std::uint64_t>(static_cast<std::uint32_t>(*distanceHigh)) << 32) |
                                           static_cast<std::uint32_t>(distance))
                                     : distance;
  std::int64_t origin = 0;
  struct stat st;
  if (moveMethod == FILE_CURRENT) {
    origin = lseek(fd, 0, SEEK_CUR);
  } else if (moveMethod == FILE_END) {
    origin = fstat(fd, &st) == 0 ? st.st_size : -1;
  }
  if (origin < 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return INVALID_SET_FILE_POINTER;
  }
  // Windows refuses a position before the start, and without a high part one
  // that does not fit in 32 bits; the pointer stays where it was.
  if ((offset < 0 && origin < -offset) || (!distanceHigh && origin + offset > 0xFFFFFFFELL)) {
    SetLastError(offset < 0 && origin < -offset ? ERROR_NEGATIVE_SEEK : ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  off_t pos = lseek(fd, static_cast<off_t>(origin + offset), SEEK_SET);
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
