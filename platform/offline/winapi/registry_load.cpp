// Loading the registry in force from hive files or registry exports.
#include <sys/stat.h>

#include <cstdint>

#include "platform/offline/formats/hive_reader.h"
#include "platform/offline/formats/reg_export.h"
#include "platform/offline/winapi/handle_table.h"
#include "platform/offline/winapi/image_files.h"
#include "platform/offline/winapi/machine.h"
#include "platform/offline/winapi/registry_load.h"
#include "platform/offline/winapi/registry_store.h"

namespace offline {
namespace {

constexpr std::size_t kMaxExportBytes = 64u << 20;

void ReadExport(const std::string& file, std::string* warnings) {
  auto warn = [&](const char* why) {
    if (warnings) *warnings += file + why;
  };
  struct stat st;
  safefs::Fd fd = safefs::OpenRegularHost(file, &st);
  if (!fd.valid()) return warn(": cannot be read (missing, or not a regular file)\n");
  if (static_cast<std::uint64_t>(st.st_size) > kMaxExportBytes) return warn(": too large for a registry export\n");
  std::optional<std::vector<std::uint8_t>> bytes = ReadWhole(fd.get(), kMaxExportBytes);
  if (!bytes) return warn(": cannot be read\n");
  ApplyRegExport(*bytes, file, &RegistryRoot(), warnings);
}

// A hive file opened (as a regular file only) by the caller.
struct HiveFile {
  safefs::Fd fd;
  std::string host;  // for messages
};

// The hive is read through the descriptor checked when it was opened, so it
// is the very file the walk found, whatever the image's folders become.
void ReadHiveFile(const std::optional<HiveFile>& hive, RegTreeKey* into, std::string* warnings) {
  if (!hive) return;
  if (!hive->fd.valid()) {
    if (warnings) *warnings += hive->host + ": not a regular file; not read as a registry hive\n";
    return;
  }
  const auto read = ReadHiveDescriptor(hive->fd.get(), into);
  if (!warnings) return;
  if (!read) {
    // A hive without a root key simply has no keys.
    if (read.reason() != HiveError::kNoRoot) *warnings += hive->host + ": not a readable registry hive\n";
  } else if (read->dirty) {
    *warnings += hive->host + ": hive was not closed cleanly (dirty); reading it as it is\n";
  }
}

void LoadHives(const std::optional<HiveFile>& system, const std::optional<HiveFile>& software,
               const std::vector<std::string>& regFiles, std::string* warnings) {
  RegistryRoot() = RegTreeKey{};
  Handles().RemoveAll<KeyObject>();
  if (!regFiles.empty()) {
    for (const auto& file : regFiles) ReadExport(file, warnings);
    return;
  }
  if (system) ReadHiveFile(system, RegistryRoot().AddChild(u"SYSTEM"), warnings);
  if (software) ReadHiveFile(software, RegistryRoot().AddChild(u"SOFTWARE"), warnings);
}

std::optional<HiveFile> HostHive(const std::optional<std::string>& path) {
  if (!path) return std::nullopt;
  struct stat st;
  return HiveFile{safefs::OpenRegularHost(*path, &st), *path};
}

std::optional<HiveFile> ImageHive(const Machine& machine, const char16_t* name) {
  std::optional<std::string> host = MapExisting(machine.systemDirectory + u"\\config\\" + name);
  if (!host) return std::nullopt;
  return HiveFile{OpenImageFile(machine.systemDirectory + u"\\config\\" + name), *host};
}

}  // namespace

void LoadRegistryFiles(const std::optional<std::string>& systemHive, const std::optional<std::string>& softwareHive,
                       const std::vector<std::string>& regFiles, std::string* warnings) {
  LoadHives(HostHive(systemHive), HostHive(softwareHive), regFiles, warnings);
}

void LoadRegistry(const Machine& machine, std::string* warnings) {
  if (!machine.options.regFiles.empty()) {
    LoadHives(std::nullopt, std::nullopt, machine.options.regFiles, warnings);
    return;
  }
  LoadHives(ImageHive(machine, u"SYSTEM"), ImageHive(machine, u"SOFTWARE"), {}, warnings);
}

}  // namespace offline
