// Folder listings in NTFS order with Windows' wildcard rules.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <set>

#include "platform/offline/handle_table.h"
#include "platform/offline/machine.h"
#include "platform/offline/path_map.h"
#include "platform/os.h"
#include "platform/text.h"

namespace os {
namespace {

constexpr std::size_t kMaxEntries = 100000;
constexpr char16_t kDosStar = u'<';

// Windows turns a '*' that stands before a '.' into DOS_STAR: it matches up to the last dot.
std::u16string WindowsPattern(std::u16string_view pattern) {
  std::u16string out;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    char16_t c = pattern[i];
    out += (c == u'*' && i + 1 < pattern.size() && pattern[i + 1] == u'.') ? kDosStar : text::UpperAZ(c);
  }
  return out;
}

bool Match(const std::u16string& p, std::size_t pi, const std::u16string& n, std::size_t ni, std::size_t lastDot,
           int depth) {
  if (depth > 64) return false;
  while (pi < p.size()) {
    char16_t c = p[pi];
    if (c == u'*' || c == kDosStar) {
      std::size_t limit = (c == kDosStar && lastDot != std::u16string::npos) ? lastDot : n.size();
      for (std::size_t k = ni; k <= limit; ++k)
        if (Match(p, pi + 1, n, k, lastDot, depth + 1)) return true;
      return false;
    }
    if (ni >= n.size()) return false;
    if (c != u'?' && c != n[ni]) return false;
    ++pi;
    ++ni;
  }
  return ni == n.size();
}

bool NameMatches(const std::u16string& pattern, std::u16string_view name) {
  std::u16string upper = text::UpperCaseAZ(name);
  return Match(pattern, 0, upper, 0, upper.rfind(u'.'), 0);
}

void Collect(const std::string& dir, const std::u16string& pattern, std::set<std::u16string>* seen,
             std::vector<WIN32_FIND_DATAW>* out) {
  DIR* d = opendir(dir.c_str());
  if (!d) return;
  while (dirent* e = readdir(d)) {
    if (out->size() >= kMaxEntries) break;
    std::u16string name = text::FromUtf8(e->d_name);
    if (name.size() >= MAX_PATH || !NameMatches(pattern, name)) continue;
    if (!seen->insert(text::UpperCaseAZ(name)).second) continue;
    WIN32_FIND_DATAW data{};
    struct stat st;
    if (stat((dir + "/" + e->d_name).c_str(), &st) == 0) {
      data.dwFileAttributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
      std::uint64_t size = static_cast<std::uint64_t>(st.st_size);
      data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
      data.nFileSizeLow = static_cast<DWORD>(size);
      std::uint64_t t = (static_cast<std::uint64_t>(st.st_mtim.tv_sec) + 11644473600ull) * 10000000ull +
                        static_cast<std::uint64_t>(st.st_mtim.tv_nsec) / 100;
      data.ftLastWriteTime = {static_cast<DWORD>(t), static_cast<DWORD>(t >> 32)};
    }
    text::Copy(data.cFileName, name);
    out->push_back(data);
  }
  closedir(d);
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
  if (namePattern.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  auto state = std::make_unique<offline::FindState>();
  std::set<std::u16string> seen;
  bool anyFolder = false;
  const offline::Machine& m = offline::CurrentMachine();
  std::optional<std::string> rel = offline::DriveRelative(dirPart);
  if (rel && !m.options.root.empty()) {
    // Files written below --output first, then the image's.
    for (const std::string& base : {m.options.output, m.options.root}) {
      if (base.empty()) continue;
      std::optional<offline::MappedPath> dir = offline::ResolveBelow(base, *rel);
      struct stat st;
      if (!dir || !dir->exists || stat(dir->host.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) continue;
      anyFolder = true;
      Collect(dir->host, namePattern, &seen, &state->entries);
    }
  }
  if (!anyFolder) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  if (state->entries.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  // NTFS keeps names in the order of their upper-cased UTF-16 code units.
  std::sort(state->entries.begin(), state->entries.end(), [](const WIN32_FIND_DATAW& a, const WIN32_FIND_DATAW& b) {
    return text::UpperCaseAZ(a.cFileName) < text::UpperCaseAZ(b.cFileName);
  });
  *data = state->entries[0];
  state->next = 1;
  SetLastError(ERROR_SUCCESS);
  return offline::Handles().AddFind(std::move(state));
}

BOOL FindNextFileW(HANDLE find, WIN32_FIND_DATAW* data) {
  offline::FindState* state = offline::Handles().Find(find);
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
  if (!offline::Handles().CloseFind(find)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

}  // namespace os
