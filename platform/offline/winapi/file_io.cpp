// Reading, writing, seeking, sizing and closing the offline machine's file handles.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>

#include "platform/offline/winapi/handle_table.h"
#include "platform/offline/winapi/last_error.h"
#include "platform/os.h"

namespace os {
namespace {

constexpr DWORD ERROR_NEGATIVE_SEEK = 131;

std::uint64_t ToFileTimeTicks(const struct timespec& t) {
  return (static_cast<std::uint64_t>(t.tv_sec) + 11644473600ull) * 10000000ull +
         static_cast<std::uint64_t>(t.tv_nsec) / 100;
}

// The handle's descriptor when it was opened for writing; else -1 with the
// last error set as Windows sets it.
int WritableFd(HANDLE file) {
  int fd = offline::FileFd(file);
  if (fd < 0) return offline::Fail(-1, ERROR_INVALID_HANDLE, "");
  int flags = fcntl(fd, F_GETFL);
  if (flags < 0 || (flags & O_ACCMODE) == O_RDONLY) return offline::Fail(-1, ERROR_ACCESS_DENIED, "");
  return fd;
}

}  // namespace

BOOL WriteFile(HANDLE file, const void* buffer, DWORD bytesToWrite, DWORD* bytesWritten, void*) {
  if (bytesWritten) *bytesWritten = 0;
  int fd = offline::FileFd(file);
  if (fd < 0) return offline::Fail(FALSE, ERROR_INVALID_HANDLE, "");
  const char* p = static_cast<const char*>(buffer);
  DWORD done = 0;
  while (done < bytesToWrite) {
    ssize_t n = write(fd, p + done, bytesToWrite - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (bytesWritten) *bytesWritten = done;
      // The handle is known, so EBADF means it was not opened for writing.
      if (errno == EBADF) return offline::Fail(FALSE, ERROR_ACCESS_DENIED, "");
      return offline::FailErrno(FALSE, errno);
    }
    done += static_cast<DWORD>(n);
  }
  if (bytesWritten) *bytesWritten = done;
  return TRUE;
}

BOOL ReadFile(HANDLE file, void* buffer, DWORD bytesToRead, DWORD* bytesRead, void*) {
  if (bytesRead) *bytesRead = 0;
  int fd = offline::FileFd(file);
  if (fd < 0) return offline::Fail(FALSE, ERROR_INVALID_HANDLE, "");
  DWORD done = 0;
  char* p = static_cast<char*>(buffer);
  while (done < bytesToRead) {
    ssize_t n = read(fd, p + done, bytesToRead - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      if (bytesRead) *bytesRead = done;
      if (errno == EBADF || errno == EISDIR) return offline::Fail(FALSE, ERROR_ACCESS_DENIED, "");
      return offline::FailErrno(FALSE, errno);
    }
    if (n == 0) break;
    done += static_cast<DWORD>(n);
  }
  if (bytesRead) *bytesRead = done;
  return TRUE;
}

DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD moveMethod) {
  int fd = offline::FileFd(file);
  if (fd < 0 || moveMethod > FILE_END) {
    SetLastError(fd < 0 ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  std::int64_t offset =
      distanceHigh
          ? static_cast<std::int64_t>((static_cast<std::uint64_t>(static_cast<std::uint32_t>(*distanceHigh)) << 32) |
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

BOOL SetEndOfFile(HANDLE file) {
  int fd = WritableFd(file);
  if (fd < 0) return FALSE;
  off_t pos = lseek(fd, 0, SEEK_CUR);
  if (pos < 0 || ftruncate(fd, pos) != 0) return offline::FailErrno(FALSE, errno);
  return TRUE;
}

BOOL FlushFileBuffers(HANDLE file) {
  int fd = WritableFd(file);
  if (fd < 0) return FALSE;
  if (fsync(fd) != 0) return offline::FailErrno(FALSE, errno);
  return TRUE;
}

DWORD GetFileSize(HANDLE file, DWORD* fileSizeHigh) {
  int fd = offline::FileFd(file);
  struct stat st;
  if (fd < 0 || fstat(fd, &st) != 0) return offline::Fail(INVALID_FILE_SIZE, ERROR_INVALID_HANDLE, "");
  const std::uint64_t size = S_ISREG(st.st_mode) ? static_cast<std::uint64_t>(st.st_size) : 0;
  if (fileSizeHigh) *fileSizeHigh = static_cast<DWORD>(size >> 32);
  // A low part that reads as INVALID_FILE_SIZE is told from a failure by the last error.
  if (static_cast<DWORD>(size) == INVALID_FILE_SIZE) SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(size);
}

BOOL GetFileTime(HANDLE file, FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite) {
  int fd = offline::FileFd(file);
  struct stat st;
  if (fd < 0 || fstat(fd, &st) != 0) return offline::Fail(FALSE, ERROR_INVALID_HANDLE, "");
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
  if (!offline::Handles().Remove<offline::FileObject>(offline::HandleId(handle))) return offline::Fail(FALSE, ERROR_INVALID_HANDLE, "");
  return TRUE;
}

}  // namespace os
