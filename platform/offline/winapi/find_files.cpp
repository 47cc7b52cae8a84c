// Folder listings in NTFS order with Windows' wildcard rules.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <cstdio>
#include <vector>

#include "platform/offline/winapi/handle_table.h"
#include "platform/offline/winapi/machine.h"
#include "platform/offline/winapi/path_map.h"
#include "platform/os.h"
#include "platform/text.h"

namespace os {
namespace {

// A listing keeps at most this many entries (some 25 MB): far more than a
// Windows folder the program lists holds (an inf folder has a few thousand).
constexpr std::size_t kMaxEntries = 262144;
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
    else out += text::UpperAZ(c);
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
  return Match(pattern, text::UpperCaseAZ(name));
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

// NTFS order: upper-cased UTF-16 code units; of two equal names the one met first.
bool NtfsLess(const offline::FoundEntry& a, const offline::FoundEntry& b) {
  const std::size_t n = std::min(a.name.size(), b.name.size());
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t x = text::UpperAZ(a.name[i]), y = text::UpperAZ(b.name[i]);
    if (x != y) return x < y;
  }
  if (a.name.size() != b.name.size()) return a.name.size() < b.name.size();
  return a.order < b.order;
}

bool SameName(const offline::FoundEntry& a, const offline::FoundEntry& b) {
  return text::EqualsNoCaseAZ(a.name, b.name);
}

// The entries a listing keeps: at most kMaxEntries, the first ones in NTFS
// order (a max-heap while the folder is read), so a folder of more names than
// that loses the last ones in the order the caller would see them, never
// whichever the host happened to list first.
class Kept {
 public:
  void Offer(offline::FoundEntry entry) {
    if (heap_.size() < kMaxEntries) {
      heap_.push_back(std::move(entry));
      std::push_heap(heap_.begin(), heap_.end(), NtfsLess);
    } else {
      ++dropped_;
      if (!NtfsLess(entry, heap_.front())) return;
      std::pop_heap(heap_.begin(), heap_.end(), NtfsLess);
      heap_.back() = std::move(entry);
      std::push_heap(heap_.begin(), heap_.end(), NtfsLess);
    }
  }
  std::uint32_t Next() { return order_++; }
  // In NTFS order, each name once (a file below --output hides the image's).
  std::vector<offline::FoundEntry> Take(std::u16string_view pattern) {
    std::sort_heap(heap_.begin(), heap_.end(), NtfsLess);
    heap_.erase(std::unique(heap_.begin(), heap_.end(), SameName), heap_.end());
    if (dropped_) {
      std::fprintf(stderr, "quillon: %s matches more than %zu entries; only the first %zu in name order are listed\n",
                   text::ToUtf8(pattern).c_str(), kMaxEntries, kMaxEntries);
    }
    return std::move(heap_);
  }

 private:
  std::vector<offline::FoundEntry> heap_;
  std::size_t dropped_ = 0;
  std::uint32_t order_ = 0;
};

// Adds the entries of the folder `folder` that match. Only files and folders
// are listed: a FIFO, socket or device is nothing Windows would show.
void Collect(const offline::Place& folder, bool driveRoot, const std::u16string& pattern, Kept* kept) {
  offline::safefs::Fd fd = offline::safefs::OpenBeneath(*folder.tree, folder.parts, O_RDONLY | O_DIRECTORY);
  if (!fd.valid()) return;
  std::unique_ptr<DIR, int (*)(DIR*)> d(fdopendir(fd.get()), closedir);
  if (!d) return;
  fd.release();
  while (dirent* e = readdir(d.get())) {
    const std::string entry = e->d_name;
    if (driveRoot && (entry == "." || entry == "..")) continue;  // a drive's root lists neither
    std::u16string name = text::FromUtf8(entry);
    if (name.size() >= MAX_PATH || !NameMatches(pattern, name)) continue;
    std::optional<struct stat> st = EntryStat(folder, dirfd(d.get()), entry);
    if (!st || !(S_ISDIR(st->st_mode) || S_ISREG(st->st_mode))) continue;
    offline::FoundEntry found;
    found.attributes = S_ISDIR(st->st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
    if ((st->st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) found.attributes |= FILE_ATTRIBUTE_READONLY;
    if (found.attributes != FILE_ATTRIBUTE_NORMAL) found.attributes &= ~FILE_ATTRIBUTE_NORMAL;
    found.size = S_ISDIR(st->st_mode) ? 0 : static_cast<std::uint64_t>(st->st_size);
    found.writeTime = (static_cast<std::uint64_t>(st->st_mtim.tv_sec) + 11644473600ull) * 10000000ull +
                      static_cast<std::uint64_t>(st->st_mtim.tv_nsec) / 100;
    found.name = std::move(name);
    found.order = kept->Next();
    kept->Offer(std::move(found));
  }
}

WIN32_FIND_DATAW FindData(const offline::FoundEntry& entry) {
  WIN32_FIND_DATAW data{};
  data.dwFileAttributes = entry.attributes;
  data.nFileSizeHigh = static_cast<DWORD>(entry.size >> 32);
  data.nFileSizeLow = static_cast<DWORD>(entry.size);
  data.ftLastWriteTime = {static_cast<DWORD>(entry.writeTime), static_cast<DWORD>(entry.writeTime >> 32)};
  text::Copy(data.cFileName, entry.name);
  return data;
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
  Kept kept;
  bool anyFolder = false;
  std::optional<std::string> rel = offline::DriveRelative(dirPart);
  if (rel) {
    // Files written below --output first, then the image's.
    for (const auto& tree : {offline::CurrentMachine().output, offline::CurrentMachine().image}) {
      std::optional<offline::Place> folder = offline::PlaceIn(tree, *rel);
      if (!folder || !folder->exists || !S_ISDIR(folder->mode)) continue;
      anyFolder = true;
      Collect(*folder, rel->empty(), namePattern, &kept);
    }
  }
  if (!anyFolder) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  offline::FindObject found;
  found.entries = kept.Take(full);
  if (found.entries.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  *data = FindData(found.entries[0]);
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
  *data = FindData(state->entries[state->next++]);
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
