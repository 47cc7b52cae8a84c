#include "platform/offline/path_map.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <vector>

#include "platform/offline/machine.h"
#include "platform/text.h"

namespace offline {
namespace {

constexpr std::size_t kMaxComponents = 128;

std::vector<std::string> SplitComponents(const std::string& relative) {
  std::vector<std::string> parts;
  std::string current;
  for (char c : relative) {
    if (c == '/') {
      if (!current.empty()) parts.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) parts.push_back(current);
  return parts;
}

bool SameNoCase(const std::string& a, const std::string& b) {
  return text::EqualsNoCaseAZ(text::FromUtf8(a), text::FromUtf8(b));
}

// The on-disk name of `name` inside `dir`: the exact name when present, else
// the first entry equal without regard to case.
std::optional<std::string> FindEntry(const std::string& dir, const std::string& name) {
  struct stat st;
  if (lstat((dir + "/" + name).c_str(), &st) == 0) return name;
  std::unique_ptr<DIR, int (*)(DIR*)> d(opendir(dir.c_str()), closedir);
  if (!d) return std::nullopt;
  while (dirent* e = readdir(d.get())) {
    std::string entry = e->d_name;
    if (entry == "." || entry == "..") continue;
    if (SameNoCase(entry, name)) return entry;
  }
  return std::nullopt;
}

// Creates the folders of `relative` below `base` that do not exist yet, spelt
// as the image spells them and reusing existing ones whatever their case;
// never through a link that leaves `base`.
bool MakeFoldersBelow(const std::string& base, const std::string& imageBase, const std::string& relative) {
  std::optional<MappedPath> resolved = ResolveBelow(base, "");
  std::optional<MappedPath> image = ResolveBelow(imageBase, "");
  if (!resolved || !image) return false;
  std::string dir = resolved->host;
  std::string imageDir = image->host;
  for (const std::string& part : SplitComponents(relative)) {
    const std::string name = FindEntry(imageDir, part).value_or(part);
    std::optional<MappedPath> nextImage = ResolveBelow(imageDir, "/" + name);
    if (nextImage) imageDir = nextImage->host;
    std::optional<MappedPath> next = ResolveBelow(dir, "/" + name);
    if (!next) return false;
    if (!next->exists && mkdir(next->host.c_str(), 0755) != 0) return false;
    struct stat st;
    if (lstat(next->host.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    dir = next->host;
  }
  return true;
}

}  // namespace

bool IsInside(const std::string& base, const std::string& path) {
  return path == base || (path.size() > base.size() && path.compare(0, base.size(), base) == 0 &&
                          path[base.size()] == '/');
}

std::optional<std::string> DriveRelative(std::u16string_view path) {
  std::u16string drive = u"C";
  const std::u16string& sys = CurrentMachine().systemDirectory;
  if (sys.size() >= 2 && sys[1] == u':') drive = std::u16string(1, text::UpperAZ(sys[0]));
  std::u16string_view rest = path;
  // "\\?\C:\..." names the same file as "C:\..."; any other "\\" path is on
  // another machine or device.
  if (rest.size() >= 4 && rest.substr(0, 4) == u"\\\\?\\") rest.remove_prefix(4);
  else if (rest.size() >= 2 && (rest[0] == u'\\' || rest[0] == u'/') && (rest[1] == u'\\' || rest[1] == u'/'))
    return std::nullopt;
  if (rest.size() >= 2 && rest[1] == u':') {
    if (text::UpperAZ(rest[0]) != drive[0]) return std::nullopt;
    rest.remove_prefix(2);
  }
  std::vector<std::u16string> parts;
  std::u16string current;
  auto flush = [&]() -> bool {
    if (current.empty() || current == u".") {
    } else if (current == u"..") {
      if (!parts.empty()) parts.pop_back();
    } else {
      // Windows drops trailing dots and blanks of a component.
      while (!current.empty() && (current.back() == u'.' || current.back() == u' ')) current.pop_back();
      if (current.empty()) return false;
      for (char16_t c : current)
        if (c < 0x20 || c == u'<' || c == u'>' || c == u'"' || c == u'|' || c == u'?' || c == u'*' ||
            c == u':')
          return false;
      parts.push_back(current);
    }
    current.clear();
    return parts.size() <= kMaxComponents;
  };
  for (char16_t c : rest) {
    if (c == u'\\' || c == u'/') {
      if (!flush()) return std::nullopt;
    } else {
      current += c;
    }
  }
  if (!flush()) return std::nullopt;
  std::string out;
  for (const auto& p : parts) out += "/" + text::ToUtf8(p);
  return out;
}

std::optional<MappedPath> ResolveBelow(const std::string& baseIn, const std::string& relative) {
  char realBase[PATH_MAX];
  if (!realpath(baseIn.c_str(), realBase)) return std::nullopt;
  std::string base = realBase;
  std::string current = base;
  std::vector<std::string> parts = SplitComponents(relative);
  MappedPath result;
  result.parentExists = true;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    std::optional<std::string> entry = FindEntry(current, parts[i]);
    if (!entry) {
      // Missing: the rest is spelled as given.
      result.exists = false;
      struct stat dirStat;
      result.parentExists = i + 1 == parts.size() && stat(current.c_str(), &dirStat) == 0 && S_ISDIR(dirStat.st_mode);
      for (std::size_t k = i; k < parts.size(); ++k) current += "/" + parts[k];
      result.host = current;
      return result;
    }
    std::string next = current + "/" + *entry;
    struct stat st;
    if (lstat(next.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
      char real[PATH_MAX];
      if (!realpath(next.c_str(), real) || !IsInside(base, real)) return std::nullopt;
      next = real;
    }
    current = next;
  }
  result.exists = true;
  result.host = current;
  return result;
}

std::optional<MappedPath> MapForRead(std::u16string_view windowsPath) {
  const Machine& m = CurrentMachine();
  if (m.options.root.empty()) return std::nullopt;
  std::optional<std::string> rel = DriveRelative(windowsPath);
  if (!rel) return std::nullopt;
  if (!m.options.output.empty()) {
    std::optional<MappedPath> out = ResolveBelow(m.options.output, *rel);
    if (out && out->exists) return out;
  }
  return ResolveBelow(m.options.root, *rel);
}

std::optional<MappedPath> MapForWrite(std::u16string_view windowsPath) {
  const Machine& m = CurrentMachine();
  if (m.options.root.empty()) return std::nullopt;
  std::optional<std::string> rel = DriveRelative(windowsPath);
  if (!rel) return std::nullopt;
  if (m.options.output.empty()) return ResolveBelow(m.options.root, *rel);
  std::optional<MappedPath> out = ResolveBelow(m.options.output, *rel);
  if (!out) return out;
  // A folder that exists only in the image counts as existing below --output too:
  // it is created there on demand.
  if (!out->parentExists) {
    std::string parentRel = rel->substr(0, rel->rfind('/'));
    std::optional<MappedPath> image = ResolveBelow(m.options.root, parentRel);
    struct stat st;
    if (image && image->exists && stat(image->host.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
        MakeFoldersBelow(m.options.output, m.options.root, parentRel))
      out = ResolveBelow(m.options.output, *rel);
  }
  return out;
}

}  // namespace offline
