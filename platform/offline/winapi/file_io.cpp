// Reading, writing, seeking, sizing and closing the offline machine's file handles.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>

#include "platform/offline/winapi/lookup_cache.h"
#include "platform/offline/winapi/handle_table.h"
#include "platform/offline/winapi/last_error.h"
#include "platform/os.h"

namespace os {
namespace {

constexpr DWORD ERROR_NEGATIVE_SEEK = 131;

// The handle's descriptor when it was opened for writing; else -1 with the
// last error set as Windows sets it.
int WritableFd(HANDLE file) {
  offline::FileObject* object = offline::FileOf(file);
  if (!object) return offline::Fail(-1, ERROR_INVALID_HANDLE, "");
  if (object->reader) return offline::Fail(-1, ERROR_ACCESS_DENIED, "");
  int flags = fcntl(object->fd.get(), F_GETFL);
  if (flags < 0 || (flags & O_ACCMODE) == O_RDONLY) return offline::Fail(-1, ERROR_ACCESS_DENIED, "");
  return object->fd.get();
}

// Reads at the file pointer, which then moves past what was read; false, errno
// set, on a read error.
bool ReadAtPointer(offline::FileObject& object, char* p, DWORD bytesToRead, DWORD* done) {
  while (*done < bytesToRead) {
    ssize_t n = object.reader ? object.reader->ReadAt(object.position, p + *done, bytesToRead - *done)
                              : read(object.fd.get(), p + *done, bytesToRead - *done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    *done += static_cast<DWORD>(n);
    if (object.reader) object.position += static_cast<std::uint64_t>(n);
  }
  return true;
}

// The current file pointer or the size of the file, as origins of a move.
std::int64_t Origin(offline::FileObject& object, DWORD moveMethod) {
  if (moveMethod == FILE_BEGIN) return 0;
  if (object.reader)
    return static_cast<std::int64_t>(moveMethod == FILE_CURRENT ? object.position : object.reader->Size());
  struct stat st;
  if (moveMethod == FILE_CURRENT) return lseek(object.fd.get(), 0, SEEK_CUR);
  return fstat(object.fd.get(), &st) == 0 ? st.st_size : -1;
}

}  // namespace

BOOL WriteFile(HANDLE file, const void* buffer, DWORD bytesToWrite, DWORD* bytesWritten, void*) {
  if (bytesWritten) *bytesWritten = 0;
  offline::FileObject* object = offline::FileOf(file);
  if (!object) return offline::Fail(FALSE, ERROR_INVALID_HANDLE, "");
  if (object->reader) return offline::Fail(FALSE, ERROR_ACCESS_DENIED, "");
  const int fd = object->fd.get();
  offline::ForgetAfterDataWrite();  // sizes and times listed so far may change
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
  offline::FileObject* object = offline::FileOf(file);
  if (!object) return offline::Fail(FALSE, ERROR_INVALID_HANDLE, "");
  DWORD done = 0;
  const bool ok = ReadAtPointer(*object, static_cast<char*>(buffer), bytesToRead, &done);
  if (bytesRead) *bytesRead = done;
  if (!ok) {
    if (errno == EBADF || errno == EISDIR) return offline::Fail(FALSE, ERROR_ACCESS_DENIED, "");
    return offline::FailErrno(FALSE, errno);
  }
  return TRUE;
}

DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD moveMethod) {
  offline::FileObject* object = offline::FileOf(file);
  if (!object || moveMethod > FILE_END) {
    SetLastError(!object ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  std::int64_t offset =
      distanceHigh
          ? static_cast<std::int64_t>((static_cast<std::uint64_t>(static_cast<std::uint32_t>(*distanceHigh)) << 32) |
                                      static_cast<std::uint32_t>(distance))
          : distance;
  const std::int64_t origin = Origin(*object, moveMethod);
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
  std::int64_t pos = origin + offset;
  if (object->reader) {
    object->position = static_cast<std::uint64_t>(pos);
  } else {
    pos = lseek(object->fd.get(), static_cast<off_t>(pos), SEEK_SET);
  }
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
  offline::ForgetAfterDataWrite();
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
  offline::FileObject* object = offline::FileOf(file);
  struct stat st;
  std::uint64_t size = 0;
  if (object && object->reader) {
    size = object->reader->Size();
  } else if (object && fstat(object->fd.get(), &st) == 0) {
    size = S_ISREG(st.st_mode) ? static_cast<std::uint64_t>(st.st_size) : 0;
  } else {
    return offline::Fail(INVALID_FILE_SIZE, ERROR_INVALID_HANDLE, "");
  }
  if (fileSizeHigh) *fileSizeHigh = static_cast<DWORD>(size >> 32);
  // A low part that reads as INVALID_FILE_SIZE is told from a failure by the last error.
  if (static_cast<DWORD>(size) == INVALID_FILE_SIZE) SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(size);
}

BOOL GetFileTime(HANDLE file, FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite) {
  offline::FileObject* object = offline::FileOf(file);
  struct stat st;
  offline::DriveTimes times;
  if (object && object->reader) {
    times = object->reader->Times();
  } else if (object && fstat(object->fd.get(), &st) == 0) {
    times = {offline::FileTimeTicks(st.st_ctim), offline::FileTimeTicks(st.st_atim),
             offline::FileTimeTicks(st.st_mtim)};
  } else {
    return offline::Fail(FALSE, ERROR_INVALID_HANDLE, "");
  }
  auto put = [](FILETIME* out, std::uint64_t ticks) {
    if (!out) return;
    out->dwLowDateTime = static_cast<DWORD>(ticks);
    out->dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  };
  put(creation, times.creation);
  put(lastAccess, times.lastAccess);
  put(lastWrite, times.lastWrite);
  return TRUE;
}

BOOL CloseHandle(HANDLE handle) {
  if (!offline::Handles().Remove<offline::FileObject>(offline::HandleId(handle)))
    return offline::Fail(FALSE, ERROR_INVALID_HANDLE, "");
  return TRUE;
}

}  // namespace os
