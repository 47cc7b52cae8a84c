// Renaming and removing files of the offline machine: only on the side that
// is written to (--output when given, else the image), only between folders
// reached through its held descriptor, never through a link.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/offline/winapi/last_error.h"
#include "platform/offline/winapi/path_map.h"
#include "platform/os.h"
#include "platform/text.h"

namespace os {
namespace {

bool ReadOnly(mode_t mode) { return (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0; }

std::u16string_view View(const WCHAR* s) { return std::u16string_view(s, text::Length(s, 32768)); }

// Why an existing object may not be replaced or removed, by its kind; empty
// when it may.
std::string KindRefusal(bool link, mode_t mode) {
  if (link) return "it is a symbolic link";
  if (S_ISDIR(mode)) return "it is a folder";
  if (!S_ISREG(mode)) return std::string("it is ") + offline::safefs::KindOf(mode) + ", not a file";
  if (ReadOnly(mode)) return "it is read-only";
  return "";
}

// Why an existing file may not be replaced or removed; empty when it may.
std::string Refusal(const offline::Place& place, bool replacing) {
  const std::string byKind = KindRefusal(place.finalIsLink, place.mode);
  if (!byKind.empty() || !replacing) return byKind;
  offline::safefs::Fd parent = place.OpenParent();
  struct stat st;
  if (!parent.valid() || fstatat(parent.get(), place.Name().c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
    return offline::ErrorText(errno);
  if (st.st_nlink > 1)
    return "it has " + std::to_string(st.st_nlink) + " hard links (it is not written through another name)";
  return "";
}

// The place on the written side when it exists there. A file that only the
// system drive has while writes go below --output is refused: the drive is
// not changed.
std::optional<offline::Place> ExistingWritten(std::u16string_view name) {
  std::optional<offline::Place> place = offline::MapWritten(name);
  if (place && place->exists) return place;
  std::optional<offline::Found> system = offline::MapInSystem(name, false);
  if (place && place->InOutput() && system && system->exists())
    return offline::Fail(std::optional<offline::Place>(), ERROR_ACCESS_DENIED,
                         "only the image has it, and the image is not written to");
  return offline::Fail(std::optional<offline::Place>(),
                       place && place->parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND, "");
}

}  // namespace

BOOL MoveFileExW(const WCHAR* existingFileName, const WCHAR* newFileName, DWORD flags) {
  if (!existingFileName || !newFileName || (flags & ~(MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)))
    return offline::Fail(FALSE, ERROR_INVALID_PARAMETER, "");
  std::optional<offline::Place> from = ExistingWritten(View(existingFileName));
  if (!from) return FALSE;
  if (!S_ISREG(from->mode) || from->finalIsLink)
    return offline::Fail(FALSE, ERROR_ACCESS_DENIED, "only files are moved");
  std::optional<offline::Place> to = offline::MapForWrite(View(newFileName));
  if (!to || !to->parentExists)
    return offline::Fail(FALSE, ERROR_PATH_NOT_FOUND, "the folder it belongs in does not exist, or is a file");
  if (to->tree != from->tree) return offline::Fail(FALSE, ERROR_NOT_SAME_DEVICE, "");
  std::optional<offline::Found> system = offline::MapInSystem(View(newFileName), false);
  const bool systemOnly = !to->exists && to->InOutput() && system && system->exists();
  if (to->exists || systemOnly) {
    if (!(flags & MOVEFILE_REPLACE_EXISTING)) return offline::Fail(FALSE, ERROR_ALREADY_EXISTS, "");
    // A folder or a read-only file of the system drive is not replaced below --output either.
    const mode_t systemMode = systemOnly ? system->path.mode : 0;
    const std::string refusal = to->exists ? Refusal(*to, true)
                                : (S_ISDIR(systemMode) || ReadOnly(systemMode))
                                    ? KindRefusal(system->path.finalIsLink, systemMode)
                                    : std::string();
    if (!refusal.empty()) return offline::Fail(FALSE, ERROR_ACCESS_DENIED, refusal);
  }
  offline::safefs::Fd fromParent = from->OpenParent();
  offline::safefs::Fd toParent = to->OpenParent();
  if (!fromParent.valid() || !toParent.valid() ||
      renameat(fromParent.get(), from->Name().c_str(), toParent.get(), to->Name().c_str()) != 0)
    return offline::FailErrno(FALSE, errno);
  if (flags & MOVEFILE_WRITE_THROUGH) {
    // The rename is on the disk when the folder is.
    offline::safefs::Fd folder(openat(toParent.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.valid()) fsync(folder.get());
  }
  return TRUE;
}

BOOL DeleteFileW(const WCHAR* fileName) {
  if (!fileName) return offline::Fail(FALSE, ERROR_PATH_NOT_FOUND, "");
  std::optional<offline::Place> place = ExistingWritten(View(fileName));
  if (!place) return FALSE;
  if (!place->finalIsLink && (S_ISDIR(place->mode) || ReadOnly(place->mode)))
    return offline::Fail(FALSE, ERROR_ACCESS_DENIED, Refusal(*place, false));
  offline::safefs::Fd parent = place->OpenParent();
  if (!parent.valid() || unlinkat(parent.get(), place->Name().c_str(), 0) != 0) return offline::FailErrno(FALSE, errno);
  return TRUE;
}

}  // namespace os
