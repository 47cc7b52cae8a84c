#include "platform/offline/winapi/path_map.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <map>
#include <vector>

#include "platform/offline/winapi/cached_source.h"
#include "platform/offline/winapi/lookup_cache.h"
#include "platform/offline/winapi/machine.h"
#include "platform/text.h"

namespace offline {
namespace {

constexpr std::size_t kMaxComponents = 128;

safefs::Parts Components(const std::string& relative) {
  safefs::Parts parts;
  std::size_t start = 0;
  while (start < relative.size()) {
    std::size_t slash = relative.find('/', start);
    if (slash == std::string::npos) slash = relative.size();
    if (slash > start) parts.push_back(relative.substr(start, slash - start));
    start = slash + 1;
  }
  return parts;
}

std::optional<Place> PlaceOf(const std::shared_ptr<const safefs::Tree>& tree, const safefs::Parts& components,
                             bool followFinal) {
  if (!tree) return std::nullopt;
  std::optional<safefs::Walk> walk = safefs::Resolve(*tree, components, followFinal);
  if (!walk) return std::nullopt;
  Place place;
  place.tree = tree;
  place.parts = walk->parts;
  place.host = tree->HostPath(walk->parts);
  place.exists = walk->exists();
  place.parentExists = walk->parentExists;
  place.finalIsLink = walk->exists() && walk->finalIsLink;
  place.mode = walk->mode;
  return place;
}

std::optional<Found> FoundOf(const std::shared_ptr<const DriveSource>& source, const safefs::Parts& components,
                             bool followFinal) {
  if (!source) return std::nullopt;
  std::optional<DrivePath> path = source->Resolve(components, followFinal);
  if (!path) return std::nullopt;
  Found found;
  found.source = source;
  found.host = source->Describe(*path);
  found.path = std::move(*path);
  return found;
}

std::optional<safefs::Parts> WindowsComponents(std::u16string_view windowsPath) {
  if (!CurrentMachine().system) return std::nullopt;
  std::optional<std::string> rel = DriveRelative(windowsPath);
  if (!rel) return std::nullopt;
  return Components(*rel);
}

// Creates below the output folder the folders of `spelled` (the system's
// spelling of each component) that it lacks, reusing existing ones whatever
// their case. Each is made with mkdirat in its parent, reached through the
// output folder's descriptor.
bool MakeOutputFolders(const std::shared_ptr<const safefs::Tree>& output, const safefs::Parts& spelled) {
  for (std::size_t i = 1; i <= spelled.size(); ++i) {
    safefs::Parts prefix(spelled.begin(), spelled.begin() + static_cast<std::ptrdiff_t>(i));
    std::optional<Place> place = PlaceOf(output, prefix, true);
    if (!place) return false;
    if (place->exists) {
      if (!S_ISDIR(place->mode)) return false;
      continue;
    }
    safefs::Fd parent = place->OpenParent();
    if (!parent.valid() || (mkdirat(parent.get(), place->Name().c_str(), 0755) != 0 && errno != EEXIST)) return false;
  }
  return true;
}

}  // namespace

bool Place::InOutput() const { return tree && tree == CurrentMachine().output; }

bool Found::InOutput() const { return source && source == CurrentMachine().outputSource; }

safefs::Fd Place::OpenParent() const {
  ForgetAfterWrite(parts);  // the folder is opened to change something in it
  if (!tree || parts.empty()) return safefs::Fd();
  return safefs::OpenBeneath(*tree, safefs::Parts(parts.begin(), parts.end() - 1), O_PATH | O_DIRECTORY);
}

std::optional<std::string> DriveRelative(std::u16string_view path) {
  std::u16string drive = u"C";
  const std::u16string& sys = CurrentMachine().systemDirectory;
  if (sys.size() >= 2 && sys[1] == u':') drive = std::u16string(1, text::UpperAZ(sys[0]));
  std::u16string_view rest = path;
  // "\\?\C:\..." names the same file as "C:\..."; any other "\\" path is on
  // another machine or device.
  if (rest.size() >= 4 && rest.substr(0, 4) == u"\\\\?\\")
    rest.remove_prefix(4);
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
        if (c < 0x20 || c == u'<' || c == u'>' || c == u'"' || c == u'|' || c == u'?' || c == u'*' || c == u':')
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

std::optional<Found> FoundIn(const std::shared_ptr<const DriveSource>& source, const std::string& relative) {
  return FoundOf(source, Components(relative), true);
}

std::optional<Found> MapInSystem(std::u16string_view windowsPath, bool followFinal) {
  std::optional<safefs::Parts> components = WindowsComponents(windowsPath);
  if (!components) return std::nullopt;
  return FoundOf(CurrentMachine().system, *components, followFinal);
}

namespace {

// What Windows paths were found to map to for reading, by PathKey. A run reads
// the same paths many times; what a path maps to changes only with a write at
// it, above it or below it. At most kMaxCachedPaths are kept.
class ReadPaths final : public WriteAware {
 public:
  static ReadPaths& Get() { return RunCache<ReadPaths>(); }
  const std::optional<Found>* Find(const std::string& key) const {
    const auto it = known_.find(key);
    return it == known_.end() ? nullptr : &it->second;
  }
  void Put(const std::string& key, const std::optional<Found>& found) {
    if (known_.size() >= kMaxCachedPaths) known_.clear();
    known_.emplace(key, found);
  }
  void ForgetPath(const std::string& key) override {
    // The folders above it (one may now be below --output), it, and what is below it.
    for (std::size_t slash = key.find('/', 1); slash != std::string::npos; slash = key.find('/', slash + 1)) {
      known_.erase(key.substr(0, slash));
    }
    known_.erase(known_.lower_bound(key), known_.lower_bound(key + char('/' + 1)));
  }
  void ForgetWritten() override {}  // data written changes no path
  void ForgetAll() override { known_.clear(); }

 private:
  std::map<std::string, std::optional<Found>> known_;
};

}  // namespace

std::optional<Found> MapForRead(std::u16string_view windowsPath) {
  const std::string key = PathKey(windowsPath);
  ReadPaths& paths = ReadPaths::Get();
  if (!key.empty()) {
    if (const std::optional<Found>* known = paths.Find(key)) return *known;
  }
  std::optional<Found> found;
  if (std::optional<safefs::Parts> components = WindowsComponents(windowsPath)) {
    const Machine& m = CurrentMachine();
    if (m.outputSource) {
      std::optional<Found> out = FoundOf(m.outputSource, *components, true);
      if (out && out->exists()) found = std::move(out);
    }
    if (!found) found = FoundOf(m.system, *components, true);
  }
  if (!key.empty()) paths.Put(key, found);
  return found;
}

std::optional<Place> MapForWrite(std::u16string_view windowsPath) {
  ForgetAfterWrite(windowsPath);
  std::optional<safefs::Parts> components = WindowsComponents(windowsPath);
  if (!components) return std::nullopt;
  const Machine& m = CurrentMachine();
  if (!m.output) return PlaceOf(m.root, *components, false);
  std::optional<Place> out = PlaceOf(m.output, *components, false);
  if (!out || out->parentExists || components->empty()) return out;
  // A folder that exists only on the system drive counts as existing below
  // --output too: it is created there on demand, spelled as the drive spells it.
  safefs::Parts parent(components->begin(), components->end() - 1);
  std::optional<DrivePath> system = m.system->Resolve(parent, true);
  if (system && system->exists() && S_ISDIR(system->mode) && MakeOutputFolders(m.output, system->spelled))
    out = PlaceOf(m.output, *components, false);
  return out;
}

std::optional<Place> MapWritten(std::u16string_view windowsPath) {
  ForgetAfterWrite(windowsPath);
  std::optional<safefs::Parts> components = WindowsComponents(windowsPath);
  if (!components) return std::nullopt;
  const Machine& m = CurrentMachine();
  return PlaceOf(m.output ? m.output : m.root, *components, false);
}

std::string WriteHostPath(std::u16string_view windowsPath) {
  const Machine& m = CurrentMachine();
  const std::shared_ptr<const safefs::Tree>& tree = m.output ? m.output : m.root;
  std::optional<safefs::Parts> components = WindowsComponents(windowsPath);
  if (!tree || !components) return text::ToUtf8(windowsPath);
  std::optional<safefs::Walk> walk = safefs::Resolve(*tree, *components, false);
  return tree->HostPath(walk ? walk->parts : *components);
}

}  // namespace offline
