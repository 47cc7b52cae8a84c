#include "platform/offline/disk/ntfs_volume.h"

#include <tsk/libtsk.h>

#include <algorithm>
#include <cstring>

namespace offline::ntfs {
namespace {

constexpr std::size_t kMaxFolderEntries = 500000;    // names of one folder
constexpr std::size_t kMaxIndexRootBytes = 1 << 18;  // a resident root is a few hundred bytes
constexpr std::size_t kMaxReparseBytes = 16 * 1024;  // the format's own limit
constexpr std::size_t kMaxNames = 1024;              // a record holds a few dozen at most
constexpr std::size_t kUpCaseBytes = 0x10000 * 2;

bool Named(const TSK_FS_ATTR* attribute, const char* name) {
  const char* own = attribute->name ? attribute->name : "";
  return std::strcmp(own, name) == 0;
}

// The first attribute of `type` named `name` ("" for the unnamed one).
const TSK_FS_ATTR* Find(TSK_FS_FILE* file, std::uint32_t type, const char* name) {
  const int count = tsk_fs_file_attr_getsize(file);
  for (int i = 0; i < count; ++i) {
    const TSK_FS_ATTR* attribute = tsk_fs_file_attr_get_idx(file, i);
    if (attribute && static_cast<std::uint32_t>(attribute->type) == type && Named(attribute, name)) return attribute;
  }
  return nullptr;
}

}  // namespace

std::uint64_t FileRecord::Links() const {
  return static_cast<std::uint64_t>(
      std::count_if(names.begin(), names.end(), [](const FileName& n) { return n.space != Namespace::kDos; }));
}

DataStream::DataStream(const Volume& volume, TSK_FS_FILE* file, const TSK_FS_ATTR* data)
    : volume_(volume), file_(file), data_(data), size_(data->size > 0 ? static_cast<std::uint64_t>(data->size) : 0) {}

DataStream::~DataStream() {
  std::lock_guard<std::mutex> lock(volume_.mutex_);
  tsk_fs_file_close(file_);
}

long DataStream::ReadAt(std::uint64_t offset, void* buffer, std::size_t length) const {
  if (offset >= size_ || length == 0) return 0;
  length = static_cast<std::size_t>(std::min<std::uint64_t>(length, size_ - offset));
  std::lock_guard<std::mutex> lock(volume_.mutex_);
  ssize_t n = tsk_fs_attr_read(data_, static_cast<TSK_OFF_T>(offset), static_cast<char*>(buffer), length,
                               TSK_FS_FILE_READ_FLAG_NONE);
  tsk_error_reset();
  return n < 0 ? -1 : static_cast<long>(n);
}

std::unique_ptr<Volume> Volume::Open(TSK_IMG_INFO* image, std::uint64_t offset, std::string* error) {
  TSK_FS_INFO* fs = tsk_fs_open_img(image, static_cast<TSK_OFF_T>(offset), TSK_FS_TYPE_NTFS_DETECT);
  if (!fs) {
    if (error) *error = tsk_error_get() ? tsk_error_get() : "not an NTFS file system";
    tsk_error_reset();
    return nullptr;
  }
  std::unique_ptr<Volume> volume(new Volume(fs));
  if (std::optional<FileRecord> root = volume->Record(kRootRecord)) volume->rootRef_ = root->ref;
  if (std::unique_ptr<DataStream> table = volume->OpenData(kUpCaseRecord)) {
    std::vector<std::uint8_t> bytes(kUpCaseBytes);
    const long n = table->ReadAt(0, bytes.data(), bytes.size());
    if (n > 0) volume->upCase_ = ParseUpCase(ByteView(bytes.data(), static_cast<std::size_t>(n)));
  }
  std::lock_guard<std::mutex> lock(volume->mutex_);
  if (TSK_FS_FILE* file = volume->OpenFile(kVolumeRecord)) {
    if (const TSK_FS_ATTR* name = Find(file, kVolumeName, "")) {
      auto bytes = volume->ReadAttribute(name, 0, std::min<std::size_t>(static_cast<std::size_t>(name->size), 512));
      if (bytes) volume->label_ = ParseVolumeName(ByteView(bytes->data(), bytes->size()));
    }
    tsk_fs_file_close(file);
  }
  return volume;
}

Volume::~Volume() { tsk_fs_close(fs_); }

std::uint64_t Volume::Size() const { return static_cast<std::uint64_t>(fs_->block_count) * fs_->block_size; }

TSK_FS_FILE* Volume::OpenFile(std::uint64_t ref) const {
  TSK_FS_FILE* file = tsk_fs_file_open_meta(fs_, nullptr, RecordOf(ref));
  tsk_error_reset();
  if (!file) return nullptr;
  const bool inUse = file->meta && (file->meta->flags & TSK_FS_META_FLAG_ALLOC);
  const std::uint16_t sequence = SequenceOf(ref);
  if (!inUse || (sequence != 0 && sequence != static_cast<std::uint16_t>(file->meta->seq))) {
    tsk_fs_file_close(file);
    return nullptr;
  }
  return file;
}

std::optional<std::vector<std::uint8_t>> Volume::ReadAttribute(const TSK_FS_ATTR* attribute, std::uint64_t offset,
                                                               std::size_t size) const {
  std::vector<std::uint8_t> bytes(size);
  if (size == 0) return bytes;
  ssize_t n = tsk_fs_attr_read(attribute, static_cast<TSK_OFF_T>(offset), reinterpret_cast<char*>(bytes.data()), size,
                               TSK_FS_FILE_READ_FLAG_NONE);
  tsk_error_reset();
  if (n != static_cast<ssize_t>(size)) return std::nullopt;
  return bytes;
}

std::optional<FileRecord> Volume::Record(std::uint64_t ref) const {
  std::lock_guard<std::mutex> lock(mutex_);
  TSK_FS_FILE* file = OpenFile(ref);
  if (!file) return std::nullopt;
  FileRecord record;
  record.ref = RecordOf(ref) | (static_cast<std::uint64_t>(static_cast<std::uint16_t>(file->meta->seq)) << 48);
  record.folder = file->meta->type == TSK_FS_META_TYPE_DIR;
  bool haveInfo = false;
  const int count = tsk_fs_file_attr_getsize(file);
  for (int i = 0; i < count; ++i) {
    const TSK_FS_ATTR* attribute = tsk_fs_file_attr_get_idx(file, i);
    if (!attribute || attribute->size < 0) continue;
    const std::size_t size = static_cast<std::size_t>(attribute->size);
    const std::uint32_t type = static_cast<std::uint32_t>(attribute->type);
    if (type == kData && Named(attribute, "")) record.size = size;
    if (type != kStandardInformation && type != kFileName && type != kReparsePoint) continue;
    auto bytes = ReadAttribute(attribute, 0, std::min(size, kMaxReparseBytes));
    if (!bytes) continue;
    const ByteView view(bytes->data(), bytes->size());
    if (type == kStandardInformation) {
      std::optional<StandardInformation> info = ParseStandardInformation(view);
      if (info) record.info = *info;
      haveInfo = haveInfo || info.has_value();
    } else if (type == kFileName && record.names.size() < kMaxNames) {
      if (std::optional<FileName> name = ParseFileName(view)) record.names.push_back(std::move(*name));
    } else if (type == kReparsePoint) {
      record.reparse = ParseReparsePoint(view);
    }
  }
  tsk_fs_file_close(file);
  if (!haveInfo) return std::nullopt;  // every record in use has its standard information
  return record;
}

Parsed<std::vector<IndexEntry>, IndexError> Volume::Folder(std::uint64_t ref) const {
  std::lock_guard<std::mutex> lock(mutex_);
  TSK_FS_FILE* file = OpenFile(ref);
  if (!file) return IndexError::kUnreadable;
  const TSK_FS_ATTR* root = Find(file, kIndexRoot, "$I30");
  const TSK_FS_ATTR* allocation = Find(file, kIndexAllocation, "$I30");
  std::optional<std::vector<std::uint8_t>> rootBytes;
  if (root && root->size > 0 && static_cast<std::uint64_t>(root->size) <= kMaxIndexRootBytes)
    rootBytes = ReadAttribute(root, 0, static_cast<std::size_t>(root->size));
  auto readBlock = [&](std::uint64_t offset, std::size_t size) -> std::optional<std::vector<std::uint8_t>> {
    if (!allocation || offset > static_cast<std::uint64_t>(allocation->size) ||
        size > static_cast<std::uint64_t>(allocation->size) - offset)
      return std::nullopt;
    return ReadAttribute(allocation, offset, size);
  };
  Parsed<std::vector<IndexEntry>, IndexError> entries(IndexError::kDamaged);
  if (rootBytes)
    entries = ReadIndex(ByteView(rootBytes->data(), rootBytes->size()), fs_->block_size, readBlock, kMaxFolderEntries);
  tsk_fs_file_close(file);
  return entries;
}

std::unique_ptr<DataStream> Volume::OpenData(std::uint64_t ref) const {
  std::lock_guard<std::mutex> lock(mutex_);
  TSK_FS_FILE* file = OpenFile(ref);
  if (!file) return nullptr;
  const TSK_FS_ATTR* data = Find(file, kData, "");
  if (!data) {
    tsk_fs_file_close(file);
    return nullptr;
  }
  return std::make_unique<DataStream>(*this, file, data);
}

}  // namespace offline::ntfs
