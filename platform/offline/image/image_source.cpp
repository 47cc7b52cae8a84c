#include "platform/offline/image/image_source.h"

#include <errno.h>
#include <sys/stat.h>

#include <deque>

#include "platform/os.h"
#include "platform/text.h"

namespace offline {
namespace {

constexpr int kMaxLinks = 40;                         // as many as a host path may pass
constexpr std::size_t kMaxSteps = 4096;               // components walked for one path, links included
constexpr std::size_t kMaxCachedEntries = 2000000;    // folder entries kept between lookups
constexpr std::uint32_t kNameSurrogate = 0x20000000;  // a reparse tag that makes a name lead elsewhere

bool IsLink(const ntfs::FileRecord& record) { return record.reparse && (record.reparse->tag & kNameSurrogate); }

mode_t ModeOf(const ntfs::FileRecord& record) {
  if (IsLink(record)) return S_IFLNK | 0777;
  if (record.folder) return S_IFDIR | 0755;
  return S_IFREG | ((record.info.attributes & ntfs::kAttributeReadOnly) ? 0444 : 0644);
}

// FILE_ATTRIBUTE_* as FindFirstFileW reports them.
std::uint32_t WindowsAttributes(std::uint32_t raw, bool folder) {
  std::uint32_t attributes = raw & 0xFFFF;
  if (folder || (raw & ntfs::kAttributeIndexPresent)) attributes |= os::FILE_ATTRIBUTE_DIRECTORY;
  return attributes ? attributes : os::FILE_ATTRIBUTE_NORMAL;
}

DriveTimes TimesOf(const ntfs::Times& t) { return {t.creation, t.lastAccess, t.lastWrite}; }

DriveStat StatOf(const ntfs::FileRecord& record) {
  DriveStat stat;
  stat.mode = ModeOf(record);
  stat.attributes = WindowsAttributes(record.info.attributes, record.folder);
  stat.size = record.folder ? 0 : record.size;
  stat.links = record.Links();
  stat.times = TimesOf(record.info.times);
  return stat;
}

// A listed name as the index keeps it: its size, times and attributes are the
// copy FindFirstFileW reports.
DriveStat StatOf(const ntfs::FileName& name) {
  DriveStat stat;
  const bool folder = (name.attributes & ntfs::kAttributeIndexPresent) != 0;
  stat.mode = folder ? S_IFDIR | 0755 : S_IFREG | ((name.attributes & ntfs::kAttributeReadOnly) ? 0444 : 0644);
  stat.attributes = WindowsAttributes(name.attributes, folder);
  stat.size = folder ? 0 : name.size;
  stat.times = TimesOf(name.times);
  return stat;
}

std::vector<std::u16string> SplitPath(std::u16string_view path) {
  std::vector<std::u16string> parts;
  std::u16string current;
  for (char16_t c : path) {
    if (c == u'\\' || c == u'/') {
      if (!current.empty()) parts.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) parts.push_back(current);
  return parts;
}

class ImageFile : public DriveFile {
 public:
  ImageFile(std::unique_ptr<ntfs::DataStream> data, const ntfs::FileRecord& record)
      : data_(std::move(data)), times_(TimesOf(record.info.times)), links_(record.Links()), folder_(record.folder) {}
  std::uint64_t Size() const override { return data_ && !folder_ ? data_->Size() : 0; }
  long ReadAt(std::uint64_t offset, void* buffer, std::size_t length) override {
    if (folder_) {
      errno = EISDIR;
      return -1;
    }
    if (!data_) return 0;
    long n = data_->ReadAt(offset, buffer, length);
    if (n < 0) errno = EIO;
    return n;
  }
  DriveTimes Times() const override { return times_; }
  std::uint64_t Links() const override { return links_; }

 private:
  std::unique_ptr<ntfs::DataStream> data_;
  DriveTimes times_;
  std::uint64_t links_;
  bool folder_;
};

}  // namespace

ImageSource::ImageSource(std::shared_ptr<const disk::Image> image, const disk::VolumeInfo& info,
                         std::unique_ptr<ntfs::Volume> volume, char16_t drive)
    : image_(std::move(image)), info_(info), volume_(std::move(volume)), drive_(text::UpperAZ(drive)) {}

std::u16string ImageSource::UpperCase(std::u16string_view name) const { return volume_->UpperCase(name); }

std::string ImageSource::Describe(const DrivePath& path) const {
  std::string out = image_->Path() + ", volume " + std::to_string(info_.index) + ": ";
  for (const std::string& part : path.parts) out += "\\" + part;
  return path.parts.empty() ? out + "\\" : out;
}

std::shared_ptr<const ImageSource::Folder> ImageSource::LoadFolder(std::uint64_t ref) const {
  auto folder = std::make_shared<Folder>();
  auto entries = volume_->Folder(ref);
  if (!entries) {
    folder->problem = ntfs::Describe(entries.reason());
    return folder;
  }
  std::map<std::uint64_t, std::u16string> shortNames;
  for (ntfs::IndexEntry& e : *entries) {
    if (ntfs::RecordOf(e.ref) < ntfs::kFirstUserRecord) continue;  // "." of the root, $MFT, $Extend, ...
    if (e.name.space == ntfs::Namespace::kDos) {
      shortNames.emplace(e.ref, std::move(e.name.name));
    } else {
      folder->entries.push_back({e.ref, std::move(e.name), u""});
    }
  }
  for (std::size_t i = 0; i < folder->entries.size(); ++i) {
    Entry& entry = folder->entries[i];
    auto shortName = shortNames.find(entry.ref);
    if (shortName != shortNames.end() && entry.name.space == ntfs::Namespace::kWin32) {
      entry.shortName = shortName->second;
      shortNames.erase(shortName);  // one long name owns it
    }
    folder->byName.emplace(UpperCase(entry.name.name), i);
  }
  for (std::size_t i = 0; i < folder->entries.size(); ++i)
    if (!folder->entries[i].shortName.empty()) folder->byName.emplace(UpperCase(folder->entries[i].shortName), i);
  return folder;
}

std::shared_ptr<const ImageSource::Folder> ImageSource::FolderOf(std::uint64_t ref, const std::string& where) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto cached = folders_.find(ref);
  if (cached != folders_.end()) return cached->second;
  std::shared_ptr<const Folder> folder = LoadFolder(ref);
  if (!folder->problem.empty()) warnings_.push_back(where + ": the folder cannot be listed (" + folder->problem + ")");
  if (cachedEntries_ + folder->entries.size() > kMaxCachedEntries) {
    folders_.clear();
    cachedEntries_ = 0;
  }
  cachedEntries_ += folder->entries.size();
  folders_.emplace(ref, folder);
  return folder;
}

std::optional<std::vector<std::u16string>> ImageSource::LinkTarget(const ntfs::ReparsePoint& point,
                                                                   bool* absolute) const {
  std::u16string_view target = point.target;
  *absolute = !(point.tag == ntfs::kTagSymlink && point.relative);
  if (!*absolute) return SplitPath(target);
  // "\??\C:\WINDOWS": on this drive only; another drive or a volume by its
  // GUID is off the volume.
  if (target.substr(0, 4) == u"\\??\\") target.remove_prefix(4);
  if (target.size() < 2 || target[1] != u':' || text::UpperAZ(target[0]) != drive_) return std::nullopt;
  return SplitPath(target.substr(2));
}

std::optional<DrivePath> ImageSource::Resolve(const safefs::Parts& components, bool followFinal) const {
  struct Pending {
    std::u16string name;
    bool asked;  // from the caller's path, not from a link's target
  };
  std::deque<Pending> todo;
  for (const std::string& c : components) todo.push_back({text::FromUtf8(c), true});
  DrivePath path;
  std::vector<std::uint64_t> folders;  // folders[i]: the folder path.parts[0..i]
  int links = 0;
  std::size_t steps = 0;
  auto current = [&] { return folders.empty() ? volume_->RootRef() : folders.back(); };
  // The rest of the asked path spelled as given, behind what exists.
  auto missing = [&](bool parentExists) -> std::optional<DrivePath> {
    path.found = path.parts.size();
    for (const Pending& p : todo) {
      if (!p.asked || p.name == u"..") return std::nullopt;  // a link to nowhere
      path.parts.push_back(text::ToUtf8(p.name));
      path.spelled.push_back(text::ToUtf8(p.name));
    }
    path.parentExists = parentExists;
    path.mode = 0;
    return path;
  };
  while (!todo.empty()) {
    if (++steps > kMaxSteps) return std::nullopt;
    const Pending next = todo.front();
    if (next.name.empty() || next.name == u".") {
      todo.pop_front();
      continue;
    }
    if (next.name == u"..") {
      todo.pop_front();
      if (path.parts.empty()) return std::nullopt;  // above the drive's root
      path.parts.pop_back();
      folders.pop_back();
      continue;
    }
    std::shared_ptr<const Folder> folder = FolderOf(current(), Describe(path));
    auto hit = folder->byName.find(UpperCase(next.name));
    std::optional<ntfs::FileRecord> record;
    if (hit != folder->byName.end()) record = volume_->Record(folder->entries[hit->second].ref);
    if (!record) return missing(todo.size() == 1);  // absent, or a name left over in a damaged index
    todo.pop_front();
    const std::string name = text::ToUtf8(folder->entries[hit->second].name.name);
    if (next.asked) path.spelled.push_back(name);
    if (IsLink(*record) && (!todo.empty() || followFinal)) {
      bool absolute = false;
      std::optional<std::vector<std::u16string>> target =
          record->reparse->tag == ntfs::kTagMountPoint || record->reparse->tag == ntfs::kTagSymlink
              ? LinkTarget(*record->reparse, &absolute)
              : std::nullopt;
      if (++links > kMaxLinks || !target) return std::nullopt;  // off the volume, or a kind not followed
      if (absolute) {
        path.parts.clear();
        folders.clear();
      }
      for (auto it = target->rbegin(); it != target->rend(); ++it) todo.push_front({*it, false});
      continue;
    }
    path.parts.push_back(name);
    path.mode = ModeOf(*record);
    path.node = record->ref;
    path.finalIsLink = IsLink(*record);
    if (todo.empty()) break;
    if (!record->folder) return missing(false);  // a path that goes on below a file
    folders.push_back(record->ref);
  }
  path.found = path.parts.size();
  path.parentExists = true;
  if (path.parts.empty()) {
    path.mode = S_IFDIR | 0755;
    path.node = volume_->RootRef();
  }
  return path;
}

std::optional<DriveStat> ImageSource::Stat(const DrivePath& path) const {
  if (!path.exists()) return std::nullopt;
  std::optional<ntfs::FileRecord> record = volume_->Record(path.node);
  if (!record) return std::nullopt;
  return StatOf(*record);
}

std::vector<DriveEntry> ImageSource::List(const DrivePath& folder, const EntryFilter& wanted, std::size_t limit) const {
  std::vector<DriveEntry> out;
  std::optional<DriveStat> own = Stat(folder);
  if (!own || !S_ISDIR(own->mode)) return out;
  if (!folder.spelled.empty()) {
    // NTFS gives a folder below the root "." and ".." first; they are not in its index.
    for (const char16_t* dots : {u".", u".."})
      if (out.size() < limit && wanted(dots, u"")) out.push_back({dots, u"", *own});
  }
  std::shared_ptr<const Folder> entries = FolderOf(folder.node, Describe(folder));
  for (const Entry& e : entries->entries) {
    if (out.size() >= limit) break;
    if (wanted(e.name.name, e.shortName)) out.push_back({e.name.name, e.shortName, StatOf(e.name)});
  }
  return out;
}

std::unique_ptr<DriveFile> ImageSource::Open(const DrivePath& path) const {
  std::optional<ntfs::FileRecord> record = path.exists() ? volume_->Record(path.node) : std::nullopt;
  if (!record) {
    errno = ENOENT;
    return nullptr;
  }
  if (IsLink(*record)) {
    errno = ELOOP;
    return nullptr;
  }
  std::unique_ptr<ntfs::DataStream> data = record->folder ? nullptr : volume_->OpenData(record->ref);
  return std::make_unique<ImageFile>(std::move(data), *record);
}

std::string ImageSource::FolderProblem(const safefs::Parts& components) const {
  std::optional<DrivePath> path = Resolve(components, true);
  if (!path || !path->exists() || !S_ISDIR(path->mode)) return "";
  std::shared_ptr<const Folder> folder = FolderOf(path->node, Describe(*path));
  if (folder->problem.empty()) return "";
  return Describe(*path) + ": the folder cannot be listed (" + folder->problem + ")";
}

std::vector<std::string> ImageSource::TakeWarnings() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::string> out;
  out.swap(warnings_);
  return out;
}

}  // namespace offline
