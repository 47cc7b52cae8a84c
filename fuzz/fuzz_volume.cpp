// Feeds arbitrary bytes to the volume reader as a raw disk: its partition
// table and volumes surveyed, every NTFS volume's folders walked from the
// root in index order (depth and count bounded), each file's record read
// and the start of its data.
// Replay: fuzz_volume fuzz/corpus/volume/* (test-all adds the volumes that
// fuzz/make-volume-seeds.sh makes).
#include <cstddef>
#include <cstdint>
#include <set>
#include <vector>

#include "platform/offline/disk/disk_image.h"

namespace {

void Walk(const offline::ntfs::Volume& volume, std::uint64_t folder, int depth, std::set<std::uint64_t>* seen) {
  if (depth > 8 || seen->size() > 2000 || !seen->insert(offline::ntfs::RecordOf(folder)).second) return;
  auto entries = volume.Folder(folder);
  if (!entries) return;
  for (const offline::ntfs::IndexEntry& e : *entries) {
    volume.UpperCase(e.name.name);
    std::optional<offline::ntfs::FileRecord> record = volume.Record(e.ref);
    if (!record) continue;
    record->Links();
    if (record->folder) {
      Walk(volume, record->ref, depth + 1, seen);
    } else if (std::unique_ptr<offline::ntfs::DataStream> data = volume.OpenData(record->ref)) {
      std::vector<std::uint8_t> start(4096);
      data->ReadAt(0, start.data(), start.size());
      data->ReadAt(data->Size() > 4096 ? data->Size() - 4096 : 0, start.data(), start.size());
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::unique_ptr<offline::disk::Image> image = offline::disk::Image::FromBytes(offline::ByteView(data, size));
  if (!image) return 0;
  for (const offline::disk::VolumeInfo& info : image->Volumes()) {
    info.Describe();
    if (!info.IsNtfs()) continue;
    std::string error;
    std::unique_ptr<offline::ntfs::Volume> volume = image->OpenNtfs(info, &error);
    if (!volume) continue;
    std::set<std::uint64_t> seen;
    Walk(*volume, volume->RootRef(), 0, &seen);
  }
  return 0;
}
