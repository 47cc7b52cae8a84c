#include "platform/offline/winapi/cached_source.h"

#include <cstdint>

namespace offline {
namespace {

std::string Join(const safefs::Parts& parts, std::size_t count = SIZE_MAX) {
  std::string key;
  for (std::size_t i = 0; i < parts.size() && i < count; ++i) key += "/" + parts[i];
  return key;
}

// The walk of `components` through a stop (a shorter walk whose last
// component is missing): the same parts up to there, the rest as asked; the
// last part's folder does not exist either.
DrivePath Through(const DrivePath& stop, const safefs::Parts& components) {
  DrivePath path = stop;
  for (std::size_t i = stop.parts.size(); i < components.size(); ++i) {
    path.parts.push_back(components[i]);
    path.spelled.push_back(components[i]);
  }
  path.parentExists = false;
  path.finalIsLink = false;
  path.mode = 0;
  path.node = 0;
  return path;
}

}  // namespace

std::optional<DrivePath> CachedSource::Resolve(const safefs::Parts& components, bool followFinal) const {
  // By the components as asked: another spelling of the same path is only another entry.
  std::string key = Join(components);
  key.push_back(followFinal ? '1' : '0');
  {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = paths_.find(key);
    if (it != paths_.end()) return it->second;
    for (std::size_t n = 1; n < components.size(); ++n) {
      const auto stop = missing_.find(Join(components, n));
      if (stop != missing_.end()) return Through(stop->second, components);
    }
  }
  std::optional<DrivePath> path = inner_->Resolve(components, followFinal);
  std::lock_guard<std::mutex> lock(mutex_);
  if (paths_.size() >= kMaxCachedPaths || missing_.size() >= kMaxCachedPaths) {
    paths_.clear();
    missing_.clear();
  }
  if (path && !path->exists() && path->parts.size() == components.size() && path->spelled.size() == components.size()) {
    const std::size_t upTo = path->found + 1;  // the first component missing, included
    DrivePath stop = *path;
    stop.parts.resize(upTo);
    stop.spelled.resize(upTo);
    missing_.emplace(Join(components, upTo), std::move(stop));
  }
  paths_.emplace(std::move(key), path);
  return path;
}

std::optional<DriveStat> CachedSource::Stat(const DrivePath& path) const {
  const std::string key = Join(path.parts);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = stats_.find(key);
    if (it != stats_.end()) return it->second;
  }
  std::optional<DriveStat> stat = inner_->Stat(path);
  std::lock_guard<std::mutex> lock(mutex_);
  if (stats_.size() >= kMaxCachedPaths) stats_.clear();
  stats_.emplace(key, stat);
  return stat;
}

std::vector<DriveEntry> CachedSource::List(const DrivePath& folder, const EntryFilter& wanted,
                                           std::size_t limit) const {
  const std::string key = Join(folder.parts);
  std::unique_lock<std::mutex> lock(mutex_);
  auto it = listings_.find(key);
  if (it == listings_.end()) {
    lock.unlock();
    std::vector<DriveEntry> entries = inner_->ListToKeep(folder, kMaxCachedEntries + 1);
    if (entries.size() > kMaxCachedEntries) return inner_->List(folder, wanted, limit);
    lock.lock();
    if (listed_ + entries.size() > kMaxCachedListed) {
      listings_.clear();
      listed_ = 0;
    }
    listed_ += entries.size();
    it = listings_.emplace(key, std::move(entries)).first;
  }
  std::vector<DriveEntry> out;
  for (DriveEntry& e : it->second) {
    if (out.size() >= limit) break;
    if (!wanted(e.name, e.shortName)) continue;
    if (!e.stated) {  // read once, when a caller first takes it
      const std::optional<DriveStat> stat = inner_->StatEntry(folder, e);
      e.stat = stat.value_or(DriveStat{});  // mode 0: no longer a file or folder
      e.stated = true;
      e.gone = !stat;
    }
    if (!e.gone) out.push_back(e);
  }
  return out;
}

void CachedSource::Forget() const {
  std::lock_guard<std::mutex> lock(mutex_);
  paths_.clear();
  missing_.clear();
  stats_.clear();
  listings_.clear();
  listed_ = 0;
}

std::shared_ptr<const DriveSource> Cached(std::shared_ptr<const DriveSource> source) {
  if (!source) return source;
  return std::make_shared<CachedSource>(std::move(source));
}

}  // namespace offline
