#include "platform/offline/winapi/lookup_cache.h"

#include <vector>

#include "platform/offline/winapi/cached_source.h"
#include "platform/offline/winapi/machine.h"
#include "platform/offline/winapi/path_map.h"

namespace offline {
namespace {

std::vector<WriteAware*>& Registered() {
  static std::vector<WriteAware*> caches;
  return caches;
}

std::string Upper(std::string s) {
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return s;
}

// The source written to forgets all it found: below --output that is a
// handful of paths; without --output, the system drive's.
void ForgetWrittenSource() {
  const Machine& m = CurrentMachine();
  const DriveSource* written = m.outputSource ? m.outputSource.get() : m.system.get();
  if (const auto* cached = dynamic_cast<const CachedSource*>(written)) cached->Forget();
}

void ForgetAt(const std::string& key) {
  ForgetWrittenSource();
  for (WriteAware* cache : Registered()) {
    if (key.empty())
      cache->ForgetAll();  // the drive's root, or a place not known
    else
      cache->ForgetPath(key);
  }
}

}  // namespace

void RegisterWriteAware(WriteAware* cache) { Registered().push_back(cache); }

std::string PathKey(std::u16string_view windowsPath) {
  const std::optional<std::string> relative = DriveRelative(windowsPath);
  return relative ? Upper(*relative) : std::string();
}

std::string PathKey(const safefs::Parts& parts) {
  std::string key;
  for (const std::string& part : parts) key += "/" + part;
  return Upper(key);
}

bool IsAtOrAbove(const std::string& a, const std::string& b) {
  if (a.empty() || a == b) return true;
  return b.size() > a.size() && b.compare(0, a.size(), a) == 0 && b[a.size()] == '/';
}

void ForgetAfterWrite(std::u16string_view windowsPath) { ForgetAt(PathKey(windowsPath)); }

void ForgetAfterWrite(const safefs::Parts& parts) { ForgetAt(PathKey(parts)); }

void ForgetAfterDataWrite() {
  ForgetWrittenSource();
  for (WriteAware* cache : Registered()) cache->ForgetWritten();
}

std::optional<FileIdentity> IdentityOf(const Found& found) {
  const std::optional<DriveStat> stat = found.source ? found.source->Stat(found.path) : std::nullopt;
  if (!stat) return std::nullopt;
  std::string place;
  for (const std::string& part : found.path.parts) place += "/" + part;
  return FileIdentity{found.source.get(), place, stat->size, stat->times.lastWrite, stat->times.creation};
}

void ForgetEveryLookup() {
  for (WriteAware* cache : Registered()) cache->ForgetAll();
}

}  // namespace offline
