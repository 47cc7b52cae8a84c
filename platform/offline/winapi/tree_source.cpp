#include "platform/offline/winapi/tree_source.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/text.h"

namespace offline {
namespace {

DriveStat StatOf(const struct stat& st) {
  DriveStat out;
  out.mode = st.st_mode;
  out.attributes = AttributesOfMode(st.st_mode);
  out.size = S_ISREG(st.st_mode) ? static_cast<std::uint64_t>(st.st_size) : 0;
  out.links = st.st_nlink;
  out.times = {FileTimeTicks(st.st_ctim), FileTimeTicks(st.st_atim), FileTimeTicks(st.st_mtim)};
  return out;
}

// A file or folder held open; times and size are read afresh each time.
class TreeFile : public DriveFile {
 public:
  explicit TreeFile(safefs::Fd fd) : fd_(std::move(fd)) {}
  std::uint64_t Size() const override {
    struct stat st;
    return fstat(fd_.get(), &st) == 0 ? StatOf(st).size : 0;
  }
  long ReadAt(std::uint64_t offset, void* buffer, std::size_t length) override {
    for (;;) {
      ssize_t n = pread(fd_.get(), buffer, length, static_cast<off_t>(offset));
      if (n >= 0 || errno != EINTR) return static_cast<long>(n);
    }
  }
  DriveTimes Times() const override {
    struct stat st;
    return fstat(fd_.get(), &st) == 0 ? StatOf(st).times : DriveTimes{};
  }
  std::uint64_t Links() const override {
    struct stat st;
    return fstat(fd_.get(), &st) == 0 ? st.st_nlink : 1;
  }
  int Fd() const override { return fd_.get(); }

 private:
  safefs::Fd fd_;
};

// The type of the entry `name` of the listed folder: a link's is that of what
// it leads to when it stays inside the tree; nullopt for a link that leads
// out of the tree or nowhere, which is not there for the Windows side.
std::optional<struct stat> EntryStat(const safefs::Tree& tree, const DrivePath& folder, int dirFd,
                                     const std::string& name) {
  struct stat st;
  if (fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return std::nullopt;
  if (!S_ISLNK(st.st_mode)) return st;
  safefs::Parts path = folder.parts;
  path.push_back(name);
  std::optional<safefs::Walk> walk = safefs::Resolve(tree, path, true);
  if (!walk || !walk->exists()) return std::nullopt;
  safefs::Fd target = safefs::OpenBeneath(tree, walk->parts, O_PATH);
  if (!target.valid() || fstat(target.get(), &st) != 0) return std::nullopt;
  return st;
}

std::string Joined(const safefs::Parts& parts, std::size_t count) {
  std::string key;
  for (std::size_t i = 0; i < count && i < parts.size(); ++i) key += "/" + parts[i];
  return key;
}

// A name that a walk takes as it stands: not empty, ".", "..", nor with a "/".
bool PlainName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

}  // namespace

std::shared_ptr<const TreeSource::HeldFolder> TreeSource::Held(const safefs::Parts& parts, std::size_t count) const {
  if (count == 0) return nullptr;
  std::lock_guard<std::mutex> lock(mutex_);
  const auto it = held_.find(Joined(parts, count));
  return it == held_.end() ? nullptr : it->second;
}

void TreeSource::Hold(const safefs::Parts& parts) const {
  if (parts.empty() || Held(parts, parts.size())) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (held_.size() >= kMaxHeldFolders) return;
  }
  auto folder = std::make_shared<HeldFolder>();
  folder->fd = safefs::OpenBeneath(*tree_, parts, O_PATH | O_DIRECTORY);
  if (!folder->fd.valid()) return;
  folder->parts = parts;
  std::lock_guard<std::mutex> lock(mutex_);
  held_.emplace(Joined(parts, parts.size()), std::move(folder));
}

std::optional<DrivePath> TreeSource::Resolve(const safefs::Parts& components, bool followFinal) const {
  // A name in a folder held open: found there, unless it is a link (walked).
  const std::size_t n = components.size();
  if (const auto folder = n ? Held(components, n - 1) : nullptr; folder && PlainName(components.back())) {
    struct stat st;
    const std::optional<std::string> entry = safefs::FindEntry(folder->fd.get(), components.back(), &st);
    if (!entry || !S_ISLNK(st.st_mode)) {
      DrivePath path;
      path.parts = folder->parts;
      path.parts.push_back(entry ? *entry : components.back());
      path.spelled = path.parts;
      path.found = entry ? n : n - 1;
      path.parentExists = true;
      path.mode = entry ? st.st_mode : 0;
      return path;
    }
  }
  std::optional<safefs::Walk> walk = safefs::Resolve(*tree_, components, followFinal);
  if (!walk) return std::nullopt;
  // Its folder is held when the walk met no link: the parts are the names asked, as spelled here.
  if (n >= 2 && walk->exists() && walk->parts == walk->spelled && walk->parts.size() == n) {
    Hold(safefs::Parts(walk->parts.begin(), walk->parts.end() - 1));
  }
  DrivePath path;
  path.parts = std::move(walk->parts);
  path.spelled = std::move(walk->spelled);
  path.found = walk->found;
  path.parentExists = walk->parentExists;
  path.finalIsLink = walk->exists() && walk->finalIsLink;
  path.mode = walk->mode;
  return path;
}

std::optional<DriveStat> TreeSource::Stat(const DrivePath& path) const {
  if (!path.exists()) return std::nullopt;
  struct stat st;
  const std::size_t n = path.parts.size();
  if (const auto folder = Held(path.parts, n ? n - 1 : 0)) {
    if (fstatat(folder->fd.get(), path.parts.back().c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISLNK(st.st_mode))
      return StatOf(st);
  }
  safefs::Fd held = safefs::OpenBeneath(*tree_, path.parts, O_PATH);
  if (!held.valid() || fstat(held.get(), &st) != 0) return std::nullopt;
  return StatOf(st);
}

std::vector<DriveEntry> TreeSource::List(const DrivePath& folder, const EntryFilter& wanted, std::size_t limit) const {
  return Entries(folder, wanted, limit, false);
}

std::vector<DriveEntry> TreeSource::ListToKeep(const DrivePath& folder, std::size_t limit) const {
  return Entries(
      folder, [](std::u16string_view, std::u16string_view) { return true; }, limit, true);
}

std::optional<DriveStat> TreeSource::StatEntry(const DrivePath& folder, const DriveEntry& entry) const {
  if (entry.stated) return entry.stat;
  Hold(folder.parts);  // a listed folder is looked in again for each entry a caller takes
  const auto held = Held(folder.parts, folder.parts.size());
  const safefs::Fd opened = held ? safefs::Fd() : safefs::OpenBeneath(*tree_, folder.parts, O_PATH | O_DIRECTORY);
  const int dirFd = held ? held->fd.get() : opened.get();
  if (dirFd < 0) return std::nullopt;
  std::optional<struct stat> st = EntryStat(*tree_, folder, dirFd, text::ToUtf8(entry.name));
  if (!st || !(S_ISDIR(st->st_mode) || S_ISREG(st->st_mode))) return std::nullopt;
  return StatOf(*st);
}

std::vector<DriveEntry> TreeSource::Entries(const DrivePath& folder, const EntryFilter& wanted, std::size_t limit,
                                            bool deferStat) const {
  std::vector<DriveEntry> out;
  safefs::Fd fd = safefs::OpenBeneath(*tree_, folder.parts, O_RDONLY | O_DIRECTORY);
  if (!fd.valid()) return out;
  std::unique_ptr<DIR, int (*)(DIR*)> d(fdopendir(fd.get()), closedir);
  if (!d) return out;
  fd.release();
  const bool driveRoot = folder.spelled.empty();
  while (dirent* e = readdir(d.get())) {
    if (out.size() >= limit) break;
    const std::string entry = e->d_name;
    if (driveRoot && (entry == "." || entry == "..")) continue;  // a drive's root lists neither
    std::u16string name = text::FromUtf8(entry);
    if (!wanted(name, u"")) continue;
    // The folder's own word for a file or folder; a name that does not come
    // back from UTF-16 as it was is stated now, by the name on disk.
    const bool known = e->d_type == DT_REG || e->d_type == DT_DIR;
    if (deferStat && known && text::ToUtf8(name) == entry) {
      DriveEntry unstated{std::move(name), u"", DriveStat{}, false};
      unstated.stat.mode = e->d_type == DT_DIR ? S_IFDIR : S_IFREG;
      out.push_back(std::move(unstated));
      continue;
    }
    std::optional<struct stat> st = EntryStat(*tree_, folder, dirfd(d.get()), entry);
    if (!st || !(S_ISDIR(st->st_mode) || S_ISREG(st->st_mode))) continue;
    out.push_back({std::move(name), u"", StatOf(*st)});
  }
  return out;
}

std::unique_ptr<DriveFile> TreeSource::Open(const DrivePath& path) const {
  const std::size_t n = path.parts.size();
  const auto folder = Held(path.parts, n ? n - 1 : 0);
  safefs::Fd held =
      folder ? safefs::Fd(openat(folder->fd.get(), path.parts.back().c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC))
             : safefs::OpenBeneath(*tree_, path.parts, O_PATH);
  struct stat st;
  if (!held.valid() || fstat(held.get(), &st) != 0) return nullptr;
  safefs::Fd fd = S_ISDIR(st.st_mode) ? safefs::OpenBeneath(*tree_, path.parts, O_RDONLY | O_DIRECTORY)
                                      : safefs::Reopen(*tree_, path.parts, held, &st, O_RDONLY);
  if (!fd.valid()) return nullptr;
  return std::make_unique<TreeFile>(std::move(fd));
}

std::u16string TreeSource::UpperCase(std::u16string_view name) const { return text::Upcased(name); }

std::string TreeSource::Describe(const DrivePath& path) const { return tree_->HostPath(path.parts); }

}  // namespace offline
