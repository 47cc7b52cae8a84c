// Loading the registry in force from hive files or registry exports.
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

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

// An export is read whole; a bigger one is refused rather than read in part.
constexpr std::size_t kMaxExportBytes = 64u << 20;
// A hive's own format stops at 2 GiB; a SOFTWARE hive of a large system is a
// few hundred megabytes.
constexpr std::uint64_t kMaxHiveBytes = std::uint64_t{1} << 30;

// False, with the reason in `error`, when the export cannot be read at all:
// the run must not go on as if its registry were empty.
bool ReadExport(const std::string& file, RegBudget* budget, std::string* warnings, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = "the registry export '" + file + "' " + why;
    return false;
  };
  struct stat st;
  safefs::Fd fd = safefs::OpenRegularHost(file, &st);
  if (!fd.valid()) return fail("cannot be read: it is missing or not a regular file");
  if (static_cast<std::uint64_t>(st.st_size) > kMaxExportBytes) return fail("is larger than 64 MiB");
  std::optional<std::vector<std::uint8_t>> bytes = ReadWhole(fd.get(), kMaxExportBytes);
  if (!bytes) return fail("cannot be read, or grew past 64 MiB while it was read");
  ApplyRegExport(*bytes, file, &RegistryRoot(), budget, warnings);
  return true;
}

// A hive file opened (as a regular file only) by the caller: a host file, or
// one of the system drive.
struct HiveFile {
  safefs::Fd fd;
  std::unique_ptr<DriveFile> file;
  std::string host;  // for messages
};

// A hive of the system drive in an anonymous memory file, for a source that
// has no descriptor of its own: nothing is written anywhere visible.
safefs::Fd MemoryCopy(DriveFile& file) {
  if (file.Size() > kMaxHiveBytes) return safefs::Fd();
  safefs::Fd memory(memfd_create("quillon-hive", MFD_CLOEXEC));
  std::vector<char> buffer(1 << 20);
  for (std::uint64_t done = 0; memory.valid() && done < file.Size();) {
    long n = file.ReadAt(done, buffer.data(), buffer.size());
    if (n <= 0 || write(memory.get(), buffer.data(), static_cast<std::size_t>(n)) != n) return safefs::Fd();
    done += static_cast<std::uint64_t>(n);
  }
  return memory;
}

// The hive is read through the descriptor checked when it was opened, so it
// is the very file the walk found, whatever the image's folders become.
void ReadHiveFile(const std::optional<HiveFile>& hive, RegTreeKey* into, std::string* warnings) {
  if (!hive) return;
  safefs::Fd copy;
  int fd = hive->fd.get();
  if (hive->file) {
    fd = hive->file->Fd();
    if (fd < 0) {
      copy = MemoryCopy(*hive->file);
      fd = copy.get();
    }
  }
  if (fd < 0) {
    if (warnings)
      *warnings += hive->host +
                   (hive->file ? ": cannot be read (a read error, or over 1 GiB)" : ": not a regular file") +
                   "; not read as a registry hive\n";
    return;
  }
  const auto read = ReadHiveDescriptor(fd, into);
  if (!warnings) return;
  if (!read) {
    // A hive without a root key simply has no keys.
    if (read.reason() != HiveError::kNoRoot) *warnings += hive->host + ": not a readable registry hive\n";
  } else if (read->dirty) {
    *warnings += hive->host + ": hive was not closed cleanly (dirty); reading it as it is\n";
  }
}

bool LoadHives(const std::optional<HiveFile>& system, const std::optional<HiveFile>& software,
               const std::vector<std::string>& regFiles, std::string* warnings, std::string* error) {
  RegistryRoot() = RegTreeKey{};
  Handles().RemoveAll<KeyObject>();
  if (!regFiles.empty()) {
    RegBudget budget;
    for (const auto& file : regFiles) {
      if (!ReadExport(file, &budget, warnings, error)) {
        RegistryRoot() = RegTreeKey{};
        return false;
      }
    }
    return true;
  }
  if (system) ReadHiveFile(system, RegistryRoot().AddChild(u"SYSTEM"), warnings);
  if (software) ReadHiveFile(software, RegistryRoot().AddChild(u"SOFTWARE"), warnings);
  return true;
}

std::optional<HiveFile> HostHive(const std::optional<std::string>& path) {
  if (!path) return std::nullopt;
  struct stat st;
  return HiveFile{safefs::OpenRegularHost(*path, &st), nullptr, *path};
}

std::optional<HiveFile> ImageHive(const Machine& machine, const char16_t* name) {
  std::optional<std::string> host = MapExisting(machine.systemDirectory + u"\\config\\" + name);
  if (!host) return std::nullopt;
  return HiveFile{safefs::Fd(), OpenImageFile(machine.systemDirectory + u"\\config\\" + name), *host};
}

}  // namespace

bool LoadRegistryFiles(const std::optional<std::string>& systemHive, const std::optional<std::string>& softwareHive,
                       const std::vector<std::string>& regFiles, std::string* warnings, std::string* error) {
  return LoadHives(HostHive(systemHive), HostHive(softwareHive), regFiles, warnings, error);
}

bool LoadRegistry(const Machine& machine, std::string* warnings, std::string* error) {
  if (!machine.options.regFiles.empty()) {
    return LoadHives(std::nullopt, std::nullopt, machine.options.regFiles, warnings, error);
  }
  return LoadHives(ImageHive(machine, u"SYSTEM"), ImageHive(machine, u"SOFTWARE"), {}, warnings, error);
}

}  // namespace offline
