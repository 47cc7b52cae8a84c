// Choosing the system volume of a disk image, and the table of its volumes:
// the calls the image module gives the program.
#include <cstdio>

#include "platform/offline/image/image_source.h"
#include "platform/text.h"

namespace offline {
namespace {

std::string Header(const disk::Image& image) {
  return "'" + image.Path() + "' (" + image.Format() + ", " + std::to_string(image.Size()) +
         " bytes, partition table: " + image.Table() + ")";
}

std::string LookedAt(const disk::Image& image) {
  std::string out;
  for (const disk::VolumeInfo& v : image.Volumes()) out += "\n  " + v.Describe();
  return out;
}

// Why no volume of the image will do.
std::string NoSystem(const disk::Image& image) {
  const auto& volumes = image.Volumes();
  bool ntfs = false;
  for (const disk::VolumeInfo& v : volumes) ntfs = ntfs || v.fileSystem == "NTFS";
  if (volumes.size() == 1 && image.Table() == "none" && volumes[0].fileSystem == "unknown")
    return Header(image) + " is not a disk image: it has no partition table (MBR or GPT) and no file system";
  std::string why = ntfs ? " holds no Windows system folder (WINDOWS\\system32 or WINNT\\system32) on a readable "
                           "NTFS volume"
                         : " holds no NTFS volume";
  return Header(image) + why + "; volumes looked at:" + LookedAt(image) +
         "\n(--list-volumes shows them; --partition N and --system-directory pick one)";
}

const disk::VolumeInfo* Choose(const disk::Image& image, int partition, bool anyNtfs, std::string* error) {
  const auto& volumes = image.Volumes();
  if (partition > 0) {
    if (static_cast<std::size_t>(partition) > volumes.size()) {
      *error = Header(image) + " has no volume " + std::to_string(partition) + "; volumes:" + LookedAt(image);
      return nullptr;
    }
    const disk::VolumeInfo& v = volumes[static_cast<std::size_t>(partition) - 1];
    if (!v.IsNtfs()) *error = Header(image) + ": " + v.Describe() + "; only NTFS volumes are read";
    return v.IsNtfs() ? &v : nullptr;
  }
  for (const disk::VolumeInfo& v : volumes)
    if (v.IsNtfs() && !v.windows.empty()) return &v;
  if (anyNtfs)
    for (const disk::VolumeInfo& v : volumes)
      if (v.IsNtfs()) return &v;
  *error = NoSystem(image);
  return nullptr;
}

}  // namespace

std::shared_ptr<ImageDrive> OpenImageVolume(const std::string& path, int partition, bool anyNtfs, char16_t drive,
                                            std::string* error) {
  std::shared_ptr<const disk::Image> image = disk::Image::Open(path, error);
  if (!image) return nullptr;
  const disk::VolumeInfo* chosen = Choose(*image, partition, anyNtfs, error);
  if (!chosen) return nullptr;
  std::string why;
  std::unique_ptr<ntfs::Volume> volume = image->OpenNtfs(*chosen, &why);
  if (!volume) {
    *error = Header(*image) + ": volume " + std::to_string(chosen->index) + " cannot be read (" + why + ")";
    return nullptr;
  }
  return std::make_shared<ImageSource>(image, *chosen, std::move(volume), drive);
}

bool ListImageVolumes(const std::string& path, std::string* table, std::string* error) {
  std::unique_ptr<disk::Image> image = disk::Image::Open(path, error);
  if (!image) return false;
  *table = "Image " + Header(*image) + "\n";
  char line[512];
  std::snprintf(line, sizeof line, "%-3s %-14s %-14s %-12s %-16s %s\n", "#", "offset", "size", "file system", "label",
                "Windows");
  *table += line;
  for (const disk::VolumeInfo& v : image->Volumes()) {
    const std::string label = v.label.empty() ? "-" : text::ToUtf8(v.label);
    const std::string windows = v.windows.empty() ? "-" : "\\" + text::ToUtf8(v.windows);
    std::snprintf(line, sizeof line, "%-3d %-14llu %-14llu %-12s %-16s %s\n", v.index,
                  static_cast<unsigned long long>(v.offset), static_cast<unsigned long long>(v.size),
                  v.fileSystem.c_str(), label.c_str(), windows.c_str());
    *table += line;
    if (!v.problem.empty()) *table += "    " + v.problem + "\n";
  }
  return true;
}

const ImageModule* ImageReader() {
  static const ImageModule module{&OpenImageVolume, &ListImageVolumes};
  return &module;
}

}  // namespace offline
