#include "platform/offline/disk/disk_image.h"

#include <sys/stat.h>
#include <tsk/libtsk.h>

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "platform/text.h"

namespace offline::disk {
namespace {

// A disk held in memory, as the library's external image: its own header first.
struct MemoryDisk {
  TSK_IMG_INFO info;
  const std::uint8_t* data;
  std::size_t size;
};

ssize_t MemoryRead(TSK_IMG_INFO* image, TSK_OFF_T offset, char* buffer, size_t length) {
  const MemoryDisk* disk = reinterpret_cast<const MemoryDisk*>(image);
  if (offset < 0 || static_cast<std::uint64_t>(offset) >= disk->size) return -1;
  const std::size_t n = std::min<std::uint64_t>(length, disk->size - static_cast<std::uint64_t>(offset));
  std::memcpy(buffer, disk->data + offset, n);
  return static_cast<ssize_t>(n);
}
void MemoryClose(TSK_IMG_INFO* image) { std::free(image); }
void MemoryStat(TSK_IMG_INFO*, FILE*) {}

std::string LibraryError(const char* fallback) {
  const char* said = tsk_error_get();
  std::string out = said && *said ? said : fallback;
  tsk_error_reset();
  while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
  return out;
}

// A size for a person: whole MiB, or bytes below one.
std::string Bytes(std::uint64_t size) {
  if (size < (1u << 20)) return std::to_string(size) + " bytes";
  return std::to_string(size >> 20) + " MiB";
}

// The container format by its signature, so that the library opens it as
// that and no other (a raw disk is what has none of them); its name in `name`.
TSK_IMG_TYPE_ENUM ContainerType(const std::string& path, std::string* name) {
  char head[32] = {};
  char tail[8] = {};
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return TSK_IMG_TYPE_RAW;
  const std::size_t got = std::fread(head, 1, sizeof head, file);
  // A VHD ends in its footer ("conectix"); a dynamic one begins with a copy too.
  const bool haveTail = std::fseek(file, -512, SEEK_END) == 0 && std::fread(tail, 1, sizeof tail, file) == sizeof tail;
  std::fclose(file);
  auto starts = [&](const char* signature, std::size_t length) {
    return got >= length && std::memcmp(head, signature, length) == 0;
  };
  struct Kind {
    bool is;
    TSK_IMG_TYPE_ENUM type;
    const char* name;
  };
  const Kind kinds[] = {
      {starts("EVF\x09\x0D\x0A\xFF\x00", 8), TSK_IMG_TYPE_EWF_EWF, "E01"},
      {starts("vhdxfile", 8), TSK_IMG_TYPE_VHD_VHD, "VHDX"},
      {starts("conectix", 8) || (haveTail && std::memcmp(tail, "conectix", 8) == 0), TSK_IMG_TYPE_VHD_VHD, "VHD"},
      {starts("KDMV", 4) || starts("COWD", 4) || starts("# Disk DescriptorFile", 21), TSK_IMG_TYPE_VMDK_VMDK, "VMDK"},
  };
  for (const Kind& kind : kinds) {
    if (!kind.is) continue;
    *name = kind.name;
    return kind.type;
  }
  *name = "raw";
  return TSK_IMG_TYPE_RAW;
}

// The first missing file of a numbered set ("disk.001", "disk.E01"), when a
// file after it exists: the library stops at the gap and sees a short disk.
std::string MissingSegment(const std::string& path, int found, bool ewf) {
  std::size_t digits = path.size();
  while (digits > 0 && std::isdigit(static_cast<unsigned char>(path[digits - 1]))) --digits;
  if (digits == path.size() || path.size() - digits > 3 || digits == 0) return "";
  const std::string stem = path.substr(0, digits);
  const std::size_t width = path.size() - digits;
  auto name = [&](long number) {
    std::string n = std::to_string(number);
    return stem + std::string(n.size() < width ? width - n.size() : 0, '0') + n;
  };
  const long first = std::stol(path.substr(digits));
  struct stat st;
  for (long gap = first + found; gap < first + found + 16; ++gap)
    if (stat(name(gap + 1).c_str(), &st) == 0) return name(first + found);
  // The last file of an E01 set ends in its "done" section; any other in "next".
  if (!ewf) return "";
  char last[16] = {};
  std::FILE* file = std::fopen(name(first + found - 1).c_str(), "rb");
  const bool read =
      file && std::fseek(file, -76, SEEK_END) == 0 && std::fread(last, 1, sizeof last, file) == sizeof last;
  if (file) std::fclose(file);
  if (read && std::memcmp(last, "next\0", 5) == 0) return name(first + found);
  return "";
}

// What the first sector of a volume says it is, before any file system is opened.
std::string Signature(TSK_IMG_INFO* image, std::uint64_t offset) {
  char sector[512] = {};
  if (tsk_img_read(image, static_cast<TSK_OFF_T>(offset), sector, sizeof sector) != sizeof sector) {
    tsk_error_reset();
    return "";
  }
  if (std::memcmp(sector + 3, "-FVE-FS-", 8) == 0) return "BitLocker";
  if (std::memcmp(sector + 3, "NTFS    ", 8) == 0) return "NTFS";
  return "";
}

}  // namespace

std::string VolumeInfo::Describe() const {
  std::string out = "volume " + std::to_string(index) + " (offset " + std::to_string(offset) + ", " + Bytes(size) +
                    "): " + fileSystem;
  if (!label.empty()) out += " '" + text::ToUtf8(label) + "'";
  if (!problem.empty()) return out + ", " + problem;
  if (fileSystem == "NTFS")
    out += windows.empty() ? ", no Windows system folder" : ", Windows in \\" + text::ToUtf8(windows);
  return out;
}

std::unique_ptr<Image> Image::Open(const std::string& path, std::string* error) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    *error = "cannot read the image '" + path + "': " + std::strerror(errno);
    return nullptr;
  }
  // Anything else might block (a FIFO) or is no disk at all.
  if (!S_ISREG(st.st_mode) && !S_ISBLK(st.st_mode)) {
    *error = "'" + path + "' is neither a disk image file nor a block device";
    return nullptr;
  }
  std::string container;
  TSK_IMG_INFO* image = tsk_img_open_utf8_sing(path.c_str(), ContainerType(path, &container), 0);
  if (!image) {
    *error = "cannot open the image '" + path + "': " + LibraryError("not a disk image");
    return nullptr;
  }
  std::unique_ptr<Image> opened(new Image(image, path, container));
  const std::string missing = MissingSegment(path, image->num_img, container == "E01");
  if (!missing.empty()) {
    *error = "the image '" + path + "' is not whole: its segment '" + missing + "' is missing";
    return nullptr;
  }
  opened->Survey();
  return opened;
}

std::unique_ptr<Image> Image::FromBytes(ByteView bytes) {
  auto* disk = static_cast<MemoryDisk*>(std::calloc(1, sizeof(MemoryDisk)));
  if (!disk) return nullptr;
  std::unique_ptr<Image> opened(new Image(nullptr, "(memory)", "raw"));
  opened->bytes_.assign(bytes.data(), bytes.data() + bytes.size());
  disk->data = opened->bytes_.data();
  disk->size = opened->bytes_.size();
  opened->image_ =
      tsk_img_open_external(disk, static_cast<TSK_OFF_T>(disk->size), 512, MemoryRead, MemoryClose, MemoryStat);
  if (!opened->image_) {
    std::free(disk);
    tsk_error_reset();
    return nullptr;
  }
  opened->Survey();
  return opened;
}

Image::~Image() {
  if (image_) tsk_img_close(image_);
}

std::uint64_t Image::Size() const { return image_->size > 0 ? static_cast<std::uint64_t>(image_->size) : 0; }

std::string Image::Format() const {
  if (image_->num_img <= 1) return container_;
  const std::string files = " (" + std::to_string(image_->num_img) + " files)";
  return (container_ == "raw" ? "split raw" : container_) + files;
}

void Image::Survey() {
  // GPT first: a GPT disk also carries a protective MBR.
  TSK_VS_INFO* vs = tsk_vs_open(image_, 0, TSK_VS_TYPE_GPT);
  if (!vs) vs = tsk_vs_open(image_, 0, TSK_VS_TYPE_DOS);
  tsk_error_reset();
  if (!vs) {
    VolumeInfo whole;
    whole.index = 1;
    whole.size = Size();
    Inspect(&whole);
    volumes_.push_back(whole);
    return;
  }
  table_ = vs->vstype == TSK_VS_TYPE_GPT   ? "GPT"
           : vs->vstype == TSK_VS_TYPE_DOS ? "MBR"
                                           : tsk_vs_type_toname(vs->vstype);
  for (TSK_PNUM_T i = 0; i < vs->part_count && volumes_.size() < 256; ++i) {
    const TSK_VS_PART_INFO* part = tsk_vs_part_get(vs, i);
    if (!part || !(part->flags & TSK_VS_PART_FLAG_ALLOC) || (part->flags & TSK_VS_PART_FLAG_META)) continue;
    VolumeInfo volume;
    volume.index = static_cast<int>(volumes_.size()) + 1;
    volume.offset = static_cast<std::uint64_t>(part->start) * vs->block_size;
    volume.size = static_cast<std::uint64_t>(part->len) * vs->block_size;
    volume.partition = part->desc ? part->desc : "";
    Inspect(&volume);
    volumes_.push_back(volume);
  }
  tsk_vs_close(vs);
}

void Image::Inspect(VolumeInfo* volume) const {
  volume->fileSystem = Signature(image_, volume->offset);
  if (volume->offset + volume->size > Size()) {
    volume->problem = "cut short: the image ends " + Bytes(volume->offset + volume->size - Size()) +
                      " before the volume does (a truncated image, or a missing segment)";
  }
  if (volume->fileSystem == "BitLocker") {
    volume->problem = "encrypted with BitLocker; unlock it first and give the decrypted volume as the image";
    return;
  }
  if (volume->fileSystem != "NTFS") {
    TSK_FS_INFO* fs = tsk_fs_open_img(image_, static_cast<TSK_OFF_T>(volume->offset), TSK_FS_TYPE_DETECT);
    tsk_error_reset();
    volume->fileSystem = fs ? tsk_fs_type_toname(fs->ftype) : "unknown";
    if (fs) tsk_fs_close(fs);
    return;
  }
  if (!volume->problem.empty()) return;
  std::string error;
  std::unique_ptr<ntfs::Volume> ntfs = OpenNtfs(*volume, &error);
  if (!ntfs) {
    volume->problem = "cannot be read (" + error + ")";
    return;
  }
  if (volume->offset + ntfs->Size() > Size()) {
    volume->problem = "cut short: the image ends before the file system does (a truncated image)";
    return;
  }
  volume->label = ntfs->Label();
  volume->windows = FindWindowsFolder(*ntfs, &volume->problem);
}

std::unique_ptr<ntfs::Volume> Image::OpenNtfs(const VolumeInfo& volume, std::string* error) const {
  return ntfs::Volume::Open(image_, volume.offset, error);
}

std::u16string FindWindowsFolder(const ntfs::Volume& volume, std::string* problem) {
  using Entry = std::optional<ntfs::IndexEntry>;
  auto child = [&](std::uint64_t folder, std::u16string_view name, const char* where) -> Entry {
    auto entries = volume.Folder(folder);
    if (!entries) {
      if (problem->empty())
        *problem = std::string("damaged: ") + where + " cannot be listed (" + ntfs::Describe(entries.reason()) + ")";
      return std::nullopt;
    }
    const std::u16string wanted = volume.UpperCase(name);
    for (ntfs::IndexEntry& e : *entries)
      if (volume.UpperCase(e.name.name) == wanted && (e.name.attributes & ntfs::kAttributeIndexPresent)) return e;
    return std::nullopt;
  };
  for (const char16_t* windows : {u"WINDOWS", u"WINNT"}) {
    std::optional<ntfs::IndexEntry> folder = child(volume.RootRef(), windows, "the root folder");
    if (folder && child(folder->ref, u"system32", windows == std::u16string_view(u"WINNT") ? "\\WINNT" : "\\WINDOWS"))
      return folder->name.name;
  }
  return u"";
}

}  // namespace offline::disk
