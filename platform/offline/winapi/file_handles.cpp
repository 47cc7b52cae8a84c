// Opening files and folders of the offline machine as Win32 handles, and
// making folders. A handle for reading reads through a drive source
// (drive_source.h); one for writing holds a descriptor on the host folder
// written to, reached through its held descriptor (safe_fs.h). Only regular
// files open as files, and a file with a second name (a hard link) or a link
// as its last component is never opened for writing.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/offline/winapi/handle_table.h"
#include "platform/offline/winapi/last_error.h"
#include "platform/offline/winapi/machine.h"
#include "platform/offline/winapi/output_copy.h"
#include "platform/offline/winapi/path_map.h"
#include "platform/os.h"
#include "platform/text.h"

namespace os {
namespace {

constexpr DWORD TRUNCATE_EXISTING = 5;

// The host's stand-in for the read-only attribute: no write permission for
// anyone. Checked explicitly because the superuser's open() ignores it.
bool ReadOnly(mode_t mode) { return (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0; }

struct Request {
  DWORD access;
  DWORD disposition;
  DWORD flags;

  // Mapped as a write: below --output when there is one.
  bool Writes() const { return (access & GENERIC_WRITE) != 0 || disposition != OPEN_EXISTING; }
  // Changes the file's bytes.
  bool Modifies() const {
    return (access & GENERIC_WRITE) != 0 || disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
  }
  bool Truncates() const { return disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING; }
  // The descriptor gets only the access asked for, so that a handle without
  // GENERIC_WRITE cannot write (WriteFile then fails as on Windows).
  int AccessMode() const {
    if (!(access & GENERIC_WRITE)) return O_RDONLY;
    return (access & GENERIC_READ) ? O_RDWR : O_WRONLY;
  }
};

HANDLE OpenFolder(const offline::Place& place, const Request& r) {
  if (!(r.flags & FILE_FLAG_BACKUP_SEMANTICS) || (r.disposition != OPEN_EXISTING && r.disposition != OPEN_ALWAYS))
    return offline::Fail(INVALID_HANDLE_VALUE, ERROR_ACCESS_DENIED, "it is a folder");
  offline::safefs::Fd fd = offline::safefs::OpenBeneath(*place.tree, place.parts, O_RDONLY | O_DIRECTORY);
  if (!fd.valid()) return offline::FailErrno(INVALID_HANDLE_VALUE, errno);
  SetLastError(r.disposition == OPEN_ALWAYS ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return offline::AddFile(std::move(fd));
}

// Why an existing object that is neither a file nor a folder does not open.
HANDLE RefuseNonFile(mode_t mode, const Request& r) {
  // A FIFO, socket or device is no file: absent for a reader, refused to a writer.
  return offline::Fail(INVALID_HANDLE_VALUE, r.Writes() ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND,
                       std::string("it is ") + offline::safefs::KindOf(mode) + ", not a file");
}

// The place exists on the side written to: a folder, a file, or something that is neither.
HANDLE OpenExisting(const offline::Place& place, const Request& r) {
  if (r.disposition == CREATE_NEW) return offline::Fail(INVALID_HANDLE_VALUE, ERROR_FILE_EXISTS, "");
  if (place.finalIsLink) return offline::Fail(INVALID_HANDLE_VALUE, ERROR_ACCESS_DENIED, "it is a symbolic link");
  offline::safefs::Fd held = offline::safefs::OpenBeneath(*place.tree, place.parts, O_PATH);
  struct stat st;
  if (!held.valid() || fstat(held.get(), &st) != 0) return offline::FailErrno(INVALID_HANDLE_VALUE, errno);
  if (S_ISDIR(st.st_mode)) return OpenFolder(place, r);
  if (!S_ISREG(st.st_mode)) return RefuseNonFile(st.st_mode, r);
  if (r.Modifies() && ReadOnly(st.st_mode))
    return offline::Fail(INVALID_HANDLE_VALUE, ERROR_ACCESS_DENIED, "it is read-only");
  if (r.Modifies() && st.st_nlink > 1) {
    return offline::Fail(
        INVALID_HANDLE_VALUE, ERROR_ACCESS_DENIED,
        "it has " + std::to_string(st.st_nlink) + " hard links (it is not written through another name)");
  }
  const int mode = r.AccessMode();
  if (r.Truncates() && mode == O_RDONLY) {
    // Truncate through a short-lived writable descriptor, then open as asked.
    struct stat wst = st;
    offline::safefs::Fd w = offline::safefs::Reopen(*place.tree, place.parts, held, &wst, O_WRONLY | O_TRUNC);
    if (!w.valid()) return offline::FailErrno(INVALID_HANDLE_VALUE, errno);
  }
  const int truncate = (r.Truncates() && mode != O_RDONLY) ? O_TRUNC : 0;
  offline::safefs::Fd fd = offline::safefs::Reopen(*place.tree, place.parts, held, &st, mode | truncate);
  if (!fd.valid()) return offline::FailErrno(INVALID_HANDLE_VALUE, errno);
  const bool reportsExisting = r.disposition == CREATE_ALWAYS || r.disposition == OPEN_ALWAYS;
  SetLastError(reportsExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return offline::AddFile(std::move(fd));
}

// An existing file or folder opened on a drive source, for reading only: a
// request to read, or one the system drive answers without being written (a
// folder, a read-only file).
HANDLE OpenForReading(const offline::Found& found, const Request& r) {
  const mode_t mode = found.path.mode;
  if (r.disposition == CREATE_NEW) return offline::Fail(INVALID_HANDLE_VALUE, ERROR_FILE_EXISTS, "");
  if (found.path.finalIsLink) return offline::Fail(INVALID_HANDLE_VALUE, ERROR_ACCESS_DENIED, "it is a symbolic link");
  if (S_ISDIR(mode)) {
    if (!(r.flags & FILE_FLAG_BACKUP_SEMANTICS) || (r.disposition != OPEN_EXISTING && r.disposition != OPEN_ALWAYS))
      return offline::Fail(INVALID_HANDLE_VALUE, ERROR_ACCESS_DENIED, "it is a folder");
  } else if (!S_ISREG(mode)) {
    return RefuseNonFile(mode, r);
  } else if (r.Modifies()) {
    return offline::Fail(INVALID_HANDLE_VALUE, ERROR_ACCESS_DENIED,
                         ReadOnly(mode) ? "it is read-only" : "the system drive is read, never written");
  }
  std::unique_ptr<offline::DriveFile> reader = found.source->Open(found.path);
  if (!reader) return offline::FailErrno(INVALID_HANDLE_VALUE, errno);
  const bool reportsExisting = r.disposition == CREATE_ALWAYS || r.disposition == OPEN_ALWAYS;
  SetLastError(reportsExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return offline::AddReader(std::move(reader));
}

// The place does not exist (on the side written to).
HANDLE CreateNew(const offline::Place& place, const Request& r, bool systemHasIt) {
  if (r.disposition == OPEN_EXISTING || r.disposition == TRUNCATE_EXISTING)
    return offline::Fail(INVALID_HANDLE_VALUE, place.parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND, "");
  if (!place.parentExists)
    return offline::Fail(INVALID_HANDLE_VALUE, ERROR_PATH_NOT_FOUND,
                         "the folder it belongs in does not exist, or is a file");
  offline::safefs::Fd parent = place.OpenParent();
  const mode_t perms = (r.flags & FILE_ATTRIBUTE_READONLY) ? 0444 : 0644;
  offline::safefs::Fd fd(parent.valid() ? openat(parent.get(), place.Name().c_str(),
                                                 r.AccessMode() | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, perms)
                                        : -1);
  if (!fd.valid()) {
    if (errno == EEXIST && r.disposition == CREATE_NEW)
      return offline::Fail(INVALID_HANDLE_VALUE, ERROR_FILE_EXISTS, "");
    return offline::FailErrno(INVALID_HANDLE_VALUE, errno == EEXIST ? EACCES : errno);  // EEXIST: made meanwhile
  }
  const bool reportsExisting = systemHasIt && (r.disposition == CREATE_ALWAYS || r.disposition == OPEN_ALWAYS);
  SetLastError(reportsExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return offline::AddFile(std::move(fd));
}

}  // namespace

UINT GetSystemDirectoryW(WCHAR* buffer, UINT size) {
  const std::u16string& dir = offline::CurrentMachine().systemDirectory;
  if (dir.empty()) return 0;
  if (!buffer || size <= dir.size()) return static_cast<UINT>(dir.size() + 1);
  text::Copy(buffer, size, dir);
  return static_cast<UINT>(dir.size());
}

HANDLE CreateFileW(const WCHAR* fileName, DWORD access, DWORD /*share*/, void*, DWORD disposition, DWORD flags,
                   HANDLE) {
  if (!fileName || disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING)
    return offline::Fail(INVALID_HANDLE_VALUE, ERROR_INVALID_PARAMETER, "");
  const Request r{access, disposition, flags};
  std::u16string_view name(fileName, text::Length(fileName, 32768));
  if (!r.Writes()) {
    std::optional<offline::Found> found = offline::MapForRead(name);
    if (!found) return offline::Fail(INVALID_HANDLE_VALUE, ERROR_PATH_NOT_FOUND, "");
    if (found->exists()) return OpenForReading(*found, r);
    const DWORD error = found->path.parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    return offline::Fail(INVALID_HANDLE_VALUE, error, "");
  }
  std::optional<offline::Place> place = offline::MapForWrite(name);
  if (!place) return offline::Fail(INVALID_HANDLE_VALUE, ERROR_PATH_NOT_FOUND, "");
  // Below --output the caller sees the system drive's files too: one that
  // exists only there counts as existing, and is copied when it is opened for
  // writing.
  bool systemHasIt = false;
  if (!place->exists && place->InOutput()) {
    std::optional<offline::Found> system = offline::MapInSystem(name, false);
    if (system && system->exists()) {
      const mode_t mode = system->path.mode;
      if (S_ISDIR(mode) || (S_ISREG(mode) && ReadOnly(mode))) {
        return OpenForReading(*system, r);  // a folder, or a file not to be written
      } else if (S_ISREG(mode) || S_ISLNK(mode)) {
        systemHasIt = true;
        if (disposition != CREATE_ALWAYS && disposition != CREATE_NEW) {
          if (!offline::CopyIntoOutput(*system, *place)) return INVALID_HANDLE_VALUE;
          place = offline::MapForWrite(name);
          if (!place) return offline::Fail(INVALID_HANDLE_VALUE, ERROR_PATH_NOT_FOUND, "");
        }
      }
    }
  }
  if (place->exists) return OpenExisting(*place, r);
  if (systemHasIt && disposition == CREATE_NEW) return offline::Fail(INVALID_HANDLE_VALUE, ERROR_FILE_EXISTS, "");
  return CreateNew(*place, r, systemHasIt);
}

BOOL CreateDirectoryW(const WCHAR* path, void*) {
  if (!path) return offline::Fail(FALSE, ERROR_PATH_NOT_FOUND, "");
  std::u16string_view name(path, text::Length(path, 32768));
  std::optional<offline::Place> p = offline::MapForWrite(name);
  if (!p || p->parts.empty()) return offline::Fail(FALSE, ERROR_PATH_NOT_FOUND, "");
  std::optional<offline::Found> existing = offline::MapForRead(name);
  if (p->exists || (existing && existing->exists())) return offline::Fail(FALSE, ERROR_ALREADY_EXISTS, "");
  if (!p->parentExists)
    return offline::Fail(FALSE, ERROR_PATH_NOT_FOUND, "the folder it belongs in does not exist, or is a file");
  offline::safefs::Fd parent = p->OpenParent();
  if (!parent.valid() || mkdirat(parent.get(), p->Name().c_str(), 0755) != 0) return offline::FailErrno(FALSE, errno);
  return TRUE;
}

DWORD GetCurrentProcessId() { return static_cast<DWORD>(getpid()); }

// Nothing redirects file-system access offline.
BOOL Wow64DisableWow64FsRedirection(void** oldValue) {
  if (oldValue) *oldValue = nullptr;
  return TRUE;
}
BOOL Wow64RevertWow64FsRedirection(void*) { return TRUE; }

}  // namespace os
