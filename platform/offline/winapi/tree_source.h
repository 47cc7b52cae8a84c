// The drive source over a host folder: a mounted system drive or a copied
// tree (--root), or the output folder (--output) where the program's own
// writes are read back. Everything is reached through safe_fs: from the held
// folder's descriptor, links followed by hand while they stay below it,
// regular files only, and no lookup that a FIFO could stall.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/offline/winapi/drive_source.h"
#include "platform/offline/winapi/safe_fs.h"

namespace offline {

class TreeSource : public DriveSource {
 public:
  explicit TreeSource(std::shared_ptr<const safefs::Tree> tree) : tree_(std::move(tree)) {}

  const std::shared_ptr<const safefs::Tree>& tree() const { return tree_; }

  std::optional<DrivePath> Resolve(const safefs::Parts& components, bool followFinal) const override;
  std::optional<DriveStat> Stat(const DrivePath& path) const override;
  std::vector<DriveEntry> List(const DrivePath& folder, const EntryFilter& wanted, std::size_t limit) const override;
  // Files and folders the folder itself says are such are left unstated.
  std::vector<DriveEntry> ListToKeep(const DrivePath& folder, std::size_t limit) const override;
  std::optional<DriveStat> StatEntry(const DrivePath& folder, const DriveEntry& entry) const override;
  std::unique_ptr<DriveFile> Open(const DrivePath& path) const override;
  // A host tree has no case rules of its own: a-z and A-Z are the same.
  std::u16string UpperCase(std::u16string_view name) const override;
  std::string Describe(const DrivePath& path) const override;

 private:
  // A folder a walk reached without a link, held open: the next path into it
  // is one look-up in it instead of a walk from the top (a report opens a
  // thousand files in one folder). At most kMaxHeldFolders.
  struct HeldFolder {
    safefs::Fd fd;
    safefs::Parts parts;
  };
  static constexpr std::size_t kMaxHeldFolders = 64;
  std::shared_ptr<const HeldFolder> Held(const safefs::Parts& parts, std::size_t count) const;
  // The entries of `folder`; with `deferStat`, those the folder says are
  // files or folders are left unstated.
  std::vector<DriveEntry> Entries(const DrivePath& folder, const EntryFilter& wanted, std::size_t limit,
                                  bool deferStat) const;
  void Hold(const safefs::Parts& parts) const;

  std::shared_ptr<const safefs::Tree> tree_;
  mutable std::mutex mutex_;
  mutable std::map<std::string, std::shared_ptr<const HeldFolder>> held_;  // by the folder's parts, joined
};

}  // namespace offline
