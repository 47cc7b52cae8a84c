// Folder listings in NTFS order with Windows' wildcard rules.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <set>
#include <vector>

#include "platform/offline/winapi/handle_table.h"
#include "platform/offline/winapi/machine.h"
#include "platform/offline/winapi/path_map.h"
#include "platform/os.h"
#include "platform/text.h"

namespace os {
namespace {

constexpr std::size_t kMaxEntries = 20000;  // a folder listing beyond this is cut short
constexpr char16_t kDosStar = u'<';
constexpr char16_t kDosQm = u'>';
constexpr char16_t kDosDot = u'"';

// The pattern as Windows hands it to the file system: upper-cased, '?' as
// DOS_QM, '.' before a wildcard as DOS_DOT, '*' before a '.' as DOS_STAR.
// (Windows also matches 8.3 short names; an offline copy has none.)
std::u16string WindowsPattern(std::u16string_view pattern) {
  if (pattern == u"*.*") return u"*";
  std::u16string out;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    char16_t c = pattern[i];
    char16_t next = i + 1 < pattern.size() ? pattern[i + 1] : u'\0';
    if (c == u'?') out += kDosQm;
    else if (c == u'.' && (next == u'?' || next == u'*')) out += kDosDot;
    else if (c == u'*' && next == u'.') out += kDosStar;
    else out += text::Upcase(c);
  }
  return out;
}

// Matches an upper-cased name against a converted pattern. can[i][j]: the
// pattern from i matches the name from j; filled from the ends, so the cost is
// pattern length times name length whatever the wildcards.
bool Match(const std::u16string& p, const std::u16string& n) {
  const std::size_t lastDot = n.rfind(u'.');
  const std::size_t width = n.size() + 1;
  std::vector<char> can((p.size() + 1) * width, 0);
  auto at = [&](std::size_t i, std::size_t j) -> char& { return can[i * width + j]; };
  at(p.size(), n.size()) = 1;
  for (std::size_t i = p.size(); i-- > 0;) {
    for (std::size_t j = n.size() + 1; j-- > 0;) {
      const char16_t c = p[i];
      const bool more = j < n.size();
      bool ok = false;
      if (c == u'*') {
        ok = at(i + 1, j) || (more && at(i, j + 1));
      } else if (c == kDosStar) {
        // Any characters, but never past the name's last dot.
        ok = at(i + 1, j) || (more && j != lastDot && at(i, j + 1));
      } else if (c == kDosQm) {
        // One character other than a dot; at a dot or the end it matches nothing.
        ok = (more && n[j] != u'.') ? at(i + 1, j + 1) : at(i + 1, j);
      } else if (c == kDosDot) {
        // A dot, or nothing at the end of the name.
        ok = more ? (n[j] == u'.' && at(i + 1, j + 1)) : at(i + 1, j);
      } else {
        ok = more && n[j] == c && at(i + 1, j + 1);
      }
      at(i, j) = ok;
    }
  }
  return at(0, 0) != 0;
}

bool NameMatches(const std::u16string& pattern, std::u16string_view name) {
  return Match(pattern, text::Upcased(name));
}

// The type of the entry `name` of the listed folder: a link's is that of what
// it leads to when it stays inside the tree; nullopt for a link that leads
// out of the tree or nowhere, which is not there for the Windows side.
std::optional<struct stat> EntryStat(const offline::Place& folder, int dirFd, const std::string& name) {
  struct stat st;
  if (fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return std::nullopt;
  if (!S_ISLNK(st.st_mode)) return st;
  offline::safefs::Parts path = folder.parts;
  path.push_back(name);
  std::optional<offline::safefs::Walk> walk = offline::safefs::Resolve(*folder.tree, path, true);
  if (!walk || !walk->exists()) return std::nullopt;
  offline::safefs::Fd target = offline::safefs::OpenBeneath(*folder.tree, walk->parts, O_PATH);
  if (!target.valid() || fstat(target.get(), &st) != 0) return std::nullopt;
  return st;
}

// Adds the entries of the folder `folder` that match. Only files and folders
// are listed: a FIFO, socket or device is nothing Windows would show.
void Collect(const offline::Place& folder, bool driveRoot, const std::u16string& pattern,
             std::set<std::u16string>* seen, std::vector<WIN32_FIND_DATAW>* out) {
  offline::safefs::Fd fd = offline::safefs::OpenBeneath(*folder.tree, folder.parts, O_RDONLY | O_DIRECTORY);
  if (!fd.valid()) return;
  std::unique_ptr<DIR, int (*)(DIR*)> d(fdopendir(fd.get()), closedir);
  if (!d) return;
  fd.release();
  while (dirent* e = readdir(d.get())) {
    if (out->size() >= kMaxEntries) break;
    const std::string entry = e->d_name;
    if (driveRoot && (entry == "." || entry == "..")) continue;  // a drive's root lists neither
    std::u16string name = text::FromUtf8(entry);
    if (name.size() >= MAX_PATH || !NameMatches(pattern, name)) continue;
    std::optional<struct stat> st = EntryStat(folder, dirfd(d.get()), entry);
    if (!st || !(S_ISDIR(st->st_mode) || S_ISREG(st->st_mode))) continue;
    if (!seen->insert(text::Upcased(name)).second) continue;
    WIN32_FIND_DATAW data{};
    data.dwFileAttributes = S_ISDIR(st->st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
    if ((st->st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) data.dwFileAttributes |= FILE_ATTRIBUTE_READONLY;
    if (data.dwFileAttributes != FILE_ATTRIBUTE_NORMAL) data.dwFileAttributes &= ~FILE_ATTRIBUTE_NORMAL;
    const std::uint64_t size = S_ISDIR(st->st_mode) ? 0 : static_cast<std::uint64_t>(st->st_size);
    data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
    data.nFileSizeLow = static_cast<DWORD>(size);
    const std::uint64_t t = (static_cast<std::uint64_t>(st->st_mtim.tv_sec) + 11644473600ull) * 10000000ull +
                            static_cast<std::uint64_t>(st->st_mtim.tv_nsec) / 100;
    data.ftLastWriteTime = {static_cast<DWORD>(t), static_cast<DWORD>(t >> 32)};
    text::Copy(data.cFileName, name);
    out->push_back(data);
  }
}

}  // namespace

HANDLE FindFirstFileW(const WCHAR* pattern, WIN32_FIND_DATAW* data) {
  if (!pattern || !data) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  std::u16string_view full(pattern, text::Length(pattern, 32768));
  std::size_t slash = full.find_last_of(u"\\/");
  std::u16string_view dirPart = slash == std::u16string_view::npos ? std::u16string_view() : full.substr(0, slash);
  std::u16string namePattern = WindowsPattern(slash == std::u16string_view::npos ? full : full.substr(slash + 1));
  if (namePattern.empty() || namePattern.size() >= MAX_PATH) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  offline::FindObject found;
  std::set<std::u16string> seen;
  bool anyFolder = false;
  std::optional<std::string> rel = offline::DriveRelative(dirPart);
  if (rel) {
    // Files written below --output first, then the image's.
    for (const auto& tree : {offline::CurrentMachine().output, offline::CurrentMachine().image}) {
      std::optional<offline::Place> folder = offline::PlaceIn(tree, *rel);
      if (!folder || !folder->exists || !S_ISDIR(folder->mode)) continue;
      anyFolder = true;
      Collect(*folder, rel->empty(), namePattern, &seen, &found.entries);
    }
  }
  if (!anyFolder) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  if (found.entries.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  // NTFS keeps names in the order of their upper-cased UTF-16 code units.
  std::sort(found.entries.begin(), found.entries.end(), [](const WIN32_FIND_DATAW& a, const WIN32_FIND_DATAW& b) {
    return text::Upcased(a.cFileName) < text::Upcased(b.cFileName);
  });
  *data = found.entries[0];
  found.next = 1;
  SetLastError(ERROR_SUCCESS);
  return offline::AsHandle<HANDLE>(offline::Handles().Add(std::move(found)));
}

BOOL FindNextFileW(HANDLE find, WIN32_FIND_DATAW* data) {
  offline::FindObject* state = offline::Handles().Get<offline::FindObject>(offline::HandleId(find));
  if (!state || !data) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (state->next >= state->entries.size()) {
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  *data = state->entries[state->next++];
  return TRUE;
}

BOOL FindClose(HANDLE find) {
  if (!offline::Handles().Remove<offline::FindObject>(offline::HandleId(find))) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

}  // namespace os
