// Folder listings in NTFS order with Windows' wildcard rules.
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <queue>
#include <vector>

#include "platform/offline/winapi/lookup_cache.h"
#include "platform/offline/winapi/handle_table.h"
#include "platform/offline/winapi/machine.h"
#include "platform/offline/winapi/path_map.h"
#include "platform/os.h"
#include "platform/text.h"

namespace os {
namespace {

// A listing keeps at most this many entries (some 40 MB): far more than a
// folder the program lists holds (an inf folder has a few thousand). It keeps
// the first ones in the order the caller sees, whatever order the drive
// lists them in.
constexpr std::size_t kMaxEntries = 262144;
constexpr char16_t kDosStar = u'<';
constexpr char16_t kDosQm = u'>';
constexpr char16_t kDosDot = u'"';

// The pattern as Windows hands it to the file system: '?' as DOS_QM, '.'
// before a wildcard as DOS_DOT, '*' before a '.' as DOS_STAR (upper-cased by
// the caller, as the drive compares names).
std::u16string WindowsPattern(std::u16string_view pattern) {
  if (pattern == u"*.*") return u"*";
  std::u16string out;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    char16_t c = pattern[i];
    char16_t next = i + 1 < pattern.size() ? pattern[i + 1] : u'\0';
    if (c == u'?')
      out += kDosQm;
    else if (c == u'.' && (next == u'?' || next == u'*'))
      out += kDosDot;
    else if (c == u'*' && next == u'.')
      out += kDosStar;
    else
      out += c;
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

// NTFS order: by the upper-cased name that matched; of two entries with one
// name, the one met first (--output's before the system drive's).
bool NtfsLess(const offline::FoundEntry& a, const offline::FoundEntry& b) {
  if (a.key != b.key) return a.key < b.key;
  return a.order < b.order;
}

class Search {
 public:
  Search(const offline::DriveSource& drive, std::u16string_view pattern)
      : drive_(drive), pattern_(drive.UpperCase(WindowsPattern(pattern))) {}

  bool Valid() const { return !pattern_.empty() && pattern_.size() < MAX_PATH; }

  // Adds the matching entries of `folder`. While the folder is read, a name
  // that sorts after kMaxEntries names already taken is passed by, so what a
  // listing keeps never depends on the order the drive lists in.
  void Collect(const offline::Found& folder) {
    auto wanted = [&](std::u16string_view name, std::u16string_view shortName) {
      if (name.size() >= MAX_PATH) return false;
      std::u16string key = KeyOf(name, shortName);
      if (key.empty()) return false;
      if (bound_.size() < kMaxEntries) {
        bound_.push(std::move(key));
        return true;
      }
      ++dropped_;
      if (!(key < bound_.top())) return false;
      bound_.pop();
      bound_.push(std::move(key));
      return true;
    };
    std::vector<offline::DriveEntry> entries = folder.source->List(folder.path, wanted, kListLimit);
    if (entries.size() >= kListLimit) ++dropped_;
    for (offline::DriveEntry& e : entries) {
      offline::FoundEntry found;
      found.key = KeyOf(e.name, e.shortName);
      found.names = std::move(e.name);
      if (!e.shortName.empty()) found.names += u'\0' + e.shortName;
      found.attributes = e.stat.attributes;
      found.size = e.stat.size;
      found.times = e.stat.times;
      found.order = order_++;
      Keep(std::move(found));
    }
  }

  // In NTFS order, each name once.
  std::vector<offline::FoundEntry> Take(std::u16string_view pattern) {
    std::sort_heap(kept_.begin(), kept_.end(), NtfsLess);
    kept_.erase(std::unique(kept_.begin(), kept_.end(),
                            [](const offline::FoundEntry& a, const offline::FoundEntry& b) { return a.key == b.key; }),
                kept_.end());
    if (dropped_) {
      std::fprintf(stderr, "quillon: %s matches more than %zu entries; only the first %zu in name order are listed\n",
                   text::ToUtf8(pattern).c_str(), kMaxEntries, kMaxEntries);
    }
    return std::move(kept_);
  }

 private:
  // Reading stops here, as a last guard against a drive that lists in the
  // worst order for the bound above (then the cut is said on standard error).
  static constexpr std::size_t kListLimit = 4 * kMaxEntries;

  // The upper-cased name that matches the pattern: the long name, else the
  // short one; empty when neither does.
  std::u16string KeyOf(std::u16string_view name, std::u16string_view shortName) const {
    std::u16string upper = drive_.UpperCase(name);
    if (Match(pattern_, upper)) return upper;
    if (shortName.empty()) return u"";
    upper = drive_.UpperCase(shortName);
    return Match(pattern_, upper) ? upper : u"";
  }

  // A max-heap of the first kMaxEntries entries in NTFS order.
  void Keep(offline::FoundEntry entry) {
    if (kept_.size() < kMaxEntries) {
      kept_.push_back(std::move(entry));
      std::push_heap(kept_.begin(), kept_.end(), NtfsLess);
      return;
    }
    if (!NtfsLess(entry, kept_.front())) return;
    std::pop_heap(kept_.begin(), kept_.end(), NtfsLess);
    kept_.back() = std::move(entry);
    std::push_heap(kept_.begin(), kept_.end(), NtfsLess);
  }

  const offline::DriveSource& drive_;
  std::u16string pattern_;
  std::priority_queue<std::u16string> bound_;  // the largest of the kMaxEntries smallest keys seen on top
  std::vector<offline::FoundEntry> kept_;
  std::size_t dropped_ = 0;
  std::uint32_t order_ = 0;
};

WIN32_FIND_DATAW FindData(const offline::FoundEntry& entry) {
  WIN32_FIND_DATAW data{};
  data.dwFileAttributes = entry.attributes;
  data.nFileSizeHigh = static_cast<DWORD>(entry.size >> 32);
  data.nFileSizeLow = static_cast<DWORD>(entry.size);
  const offline::DriveTimes& t = entry.times;
  data.ftCreationTime = {static_cast<DWORD>(t.creation), static_cast<DWORD>(t.creation >> 32)};
  data.ftLastAccessTime = {static_cast<DWORD>(t.lastAccess), static_cast<DWORD>(t.lastAccess >> 32)};
  data.ftLastWriteTime = {static_cast<DWORD>(t.lastWrite), static_cast<DWORD>(t.lastWrite >> 32)};
  text::Copy(data.cFileName, entry.Name());
  text::Copy(data.cAlternateFileName, entry.ShortName());
  return data;
}

// The entries a pattern lists, in order; null when its folder does not exist.
using Listing = std::shared_ptr<const std::vector<offline::FoundEntry>>;

std::u16string_view FolderOf(std::u16string_view full) {
  const std::size_t slash = full.find_last_of(u"\\/");
  return slash == std::u16string_view::npos ? std::u16string_view() : full.substr(0, slash);
}

// `written`: whether a folder on the side written to was listed.
Listing ListPattern(std::u16string_view full, bool* written) {
  std::size_t slash = full.find_last_of(u"\\/");
  std::u16string_view dirPart = FolderOf(full);
  const offline::Machine& m = offline::CurrentMachine();
  const offline::DriveSource* writtenSide = m.outputSource ? m.outputSource.get() : m.system.get();
  *written = false;
  Search search(*m.system, slash == std::u16string_view::npos ? full : full.substr(slash + 1));
  if (!search.Valid()) return std::make_shared<const std::vector<offline::FoundEntry>>();
  bool anyFolder = false;
  std::optional<std::string> rel = offline::DriveRelative(dirPart);
  if (rel) {
    // Files written below --output first, then the system drive's.
    for (const auto& source : {m.outputSource, m.system}) {
      std::optional<offline::Found> folder = offline::FoundIn(source, *rel);
      if (!folder || !folder->exists() || !S_ISDIR(folder->path.mode)) continue;
      anyFolder = true;
      if (folder->source.get() == writtenSide) *written = true;
      search.Collect(*folder);
    }
  }
  if (!anyFolder) return nullptr;
  return std::make_shared<const std::vector<offline::FoundEntry>>(search.Take(full));
}

// What patterns listed. A run lists the same patterns many times (each OEM
// INF search); a listing changes with a write in its folder, or with data
// written to a file it shows. At most kKeptPatterns are kept.
class Listings final : public offline::WriteAware {
 public:
  static Listings& Get() { return offline::RunCache<Listings>(); }

  Listing Find(std::u16string_view full) {
    const auto it = known_.find(full);
    if (it != known_.end()) return it->second.listing;
    Kept kept;
    kept.folder = offline::PathKey(FolderOf(full));
    kept.listing = ListPattern(full, &kept.written);
    if (known_.size() >= kKeptPatterns) known_.clear();
    known_.emplace(std::u16string(full), kept);
    return kept.listing;
  }
  void ForgetPath(const std::string& key) override {
    ForgetIf([&key](const Kept& k) {
      return k.folder.empty() || offline::IsAtOrAbove(k.folder, key) || offline::IsAtOrAbove(key, k.folder);
    });
  }
  void ForgetWritten() override {
    ForgetIf([](const Kept& k) { return k.written; });
  }
  void ForgetAll() override { known_.clear(); }

 private:
  static constexpr std::size_t kKeptPatterns = 64;
  struct Kept {
    std::string folder;  // its PathKey
    bool written;        // it shows entries of the side written to
    Listing listing;
  };
  template <typename Pred>
  void ForgetIf(Pred pred) {
    for (auto it = known_.begin(); it != known_.end();) it = pred(it->second) ? known_.erase(it) : std::next(it);
  }
  std::map<std::u16string, Kept, std::less<>> known_;
};

}  // namespace

HANDLE FindFirstFileW(const WCHAR* pattern, WIN32_FIND_DATAW* data) {
  if (!pattern || !data) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  if (!offline::CurrentMachine().system) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  offline::FindObject found;
  found.entries = Listings::Get().Find(std::u16string_view(pattern, text::Length(pattern, 32768)));
  if (!found.entries) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  if (found.entries->empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  *data = FindData((*found.entries)[0]);
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
  if (state->next >= state->entries->size()) {
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  *data = FindData((*state->entries)[state->next++]);
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
