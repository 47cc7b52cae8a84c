// A drive source that remembers what it found. A run resolves the same
// paths and lists the same folders many times (every OEM INF search lists the
// inf folder and opens each copy), while a drive does not change under it: its
// only writes go below --output (or into the root without it), and each of
// them makes the source written to forget (lookup_cache.h). Resolutions are
// kept by the components asked for, listings whole per folder (each caller's
// filter applied to the kept entries, an entry's size and times read when a
// filter first takes it), so a folder is read and its entries looked at once.
// Files are opened and read afresh: what is kept of their contents is the
// readers' business (inf_cache.h).
//
// Limits: at most kMaxCachedPaths resolutions, and as many stops and sizes
// (more, and it starts afresh);
// a folder of more than kMaxCachedEntries entries is listed afresh each time
// (through the caller's filter, as without this layer); at most
// kMaxCachedListed entries over all listings kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/offline/winapi/drive_source.h"

namespace offline {

constexpr std::size_t kMaxCachedPaths = 16384;
constexpr std::size_t kMaxCachedEntries = 32768;
constexpr std::size_t kMaxCachedListed = 262144;

class CachedSource final : public DriveSource {
 public:
  explicit CachedSource(std::shared_ptr<const DriveSource> inner) : inner_(std::move(inner)) {}

  std::optional<DrivePath> Resolve(const safefs::Parts& components, bool followFinal) const override;
  std::optional<DriveStat> Stat(const DrivePath& path) const override;
  std::vector<DriveEntry> List(const DrivePath& folder, const EntryFilter& wanted, std::size_t limit) const override;
  std::unique_ptr<DriveFile> Open(const DrivePath& path) const override { return inner_->Open(path); }
  std::u16string UpperCase(std::u16string_view name) const override { return inner_->UpperCase(name); }
  std::string Describe(const DrivePath& path) const override { return inner_->Describe(path); }
  std::vector<std::string> TakeWarnings() const override { return inner_->TakeWarnings(); }

  // Forgets everything found so far.
  void Forget() const;

 private:
  std::shared_ptr<const DriveSource> inner_;
  mutable std::mutex mutex_;
  mutable std::map<std::string, std::optional<DrivePath>>
      paths_;  // by the components asked for, and the final link's rule
  // Where a walk stopped: the components asked up to the first one missing,
  // with what was found up to there, so that any longer path through it is
  // answered without a walk (walks that met no link that changed their depth).
  mutable std::map<std::string, DrivePath> missing_;
  mutable std::map<std::string, std::optional<DriveStat>> stats_;    // by the file's own spelling
  mutable std::map<std::string, std::vector<DriveEntry>> listings_;  // by the folder's own spelling
  mutable std::size_t listed_ = 0;
};

// A source wrapped in the cache.
std::shared_ptr<const DriveSource> Cached(std::shared_ptr<const DriveSource> source);

}  // namespace offline
