// One NTFS volume of a disk image, read through The Sleuth Kit (which reads
// the file records, their attribute lists and runs, compressed and sparse
// data): a file's record, a folder's index in order, a file's unnamed data
// stream. Read-only; one lock, so that it may be called from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/offline/disk/ntfs_index.h"
#include "platform/offline/disk/ntfs_records.h"
#include "platform/offline/formats/parsed.h"

struct TSK_IMG_INFO;
struct TSK_FS_INFO;
struct TSK_FS_FILE;
struct TSK_FS_ATTR;

namespace offline::ntfs {

// What a file's record says about it.
struct FileRecord {
  std::uint64_t ref = 0;  // its reference, with the record's sequence number
  bool folder = false;
  StandardInformation info;
  std::vector<FileName> names;  // every $FILE_NAME, 8.3 ones included
  std::uint64_t size = 0;       // of the unnamed data stream
  std::optional<ReparsePoint> reparse;

  // The file's names as Windows counts them: the 8.3 names not included.
  std::uint64_t Links() const;
};

class Volume;

// A file's unnamed data stream, open for reading.
class DataStream {
 public:
  DataStream(const Volume& volume, TSK_FS_FILE* file, const TSK_FS_ATTR* data);
  ~DataStream();
  DataStream(const DataStream&) = delete;
  DataStream& operator=(const DataStream&) = delete;

  std::uint64_t Size() const { return size_; }
  // Up to `length` bytes at `offset`: the count (0 at or past the end), or -1.
  long ReadAt(std::uint64_t offset, void* buffer, std::size_t length) const;

 private:
  const Volume& volume_;
  TSK_FS_FILE* file_;
  const TSK_FS_ATTR* data_;
  std::uint64_t size_;
};

class Volume {
 public:
  // The NTFS file system at byte `offset` of `image`, which must outlive it;
  // null with the library's reason in `error`.
  static std::unique_ptr<Volume> Open(TSK_IMG_INFO* image, std::uint64_t offset, std::string* error);
  ~Volume();
  Volume(const Volume&) = delete;
  Volume& operator=(const Volume&) = delete;

  // The record `ref` names; nullopt when the record is not in use, holds
  // another file now (its sequence number differs), or cannot be read.
  std::optional<FileRecord> Record(std::uint64_t ref) const;
  // The folder's index entries in order.
  Parsed<std::vector<IndexEntry>, IndexError> Folder(std::uint64_t ref) const;
  // The file's unnamed data stream; null when there is none.
  std::unique_ptr<DataStream> OpenData(std::uint64_t ref) const;

  std::uint64_t RootRef() const { return rootRef_; }
  // A name upper-cased through the volume's own table.
  std::u16string UpperCase(std::u16string_view name) const { return ntfs::UpperCase(upCase_, name); }
  const std::u16string& Label() const { return label_; }
  std::uint64_t Size() const;  // bytes, as the volume's boot sector gives it

 private:
  friend class DataStream;
  explicit Volume(TSK_FS_INFO* fs) : fs_(fs) {}
  // The open file of record `ref` (sequence checked when it has one); null otherwise.
  TSK_FS_FILE* OpenFile(std::uint64_t ref) const;
  std::optional<std::vector<std::uint8_t>> ReadAttribute(const TSK_FS_ATTR* attribute, std::uint64_t offset,
                                                         std::size_t size) const;

  TSK_FS_INFO* fs_;
  mutable std::mutex mutex_;
  std::uint64_t rootRef_ = kRootRecord;
  std::vector<char16_t> upCase_;
  std::u16string label_;
};

}  // namespace offline::ntfs
