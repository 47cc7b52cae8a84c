#include "platform/offline/winapi/machine.h"

#include <sys/stat.h>

#include <cstdio>

#include "platform/offline/winapi/cached_source.h"
#include "platform/offline/winapi/image_drive.h"
#include "platform/offline/winapi/inf_cache.h"
#include "platform/offline/winapi/lookup_cache.h"
#include "platform/offline/winapi/registry_store.h"
#include "platform/offline/winapi/tree_source.h"
#include "platform/text.h"

namespace offline {
namespace {

Machine& Current() {
  static Machine machine;
  return machine;
}

bool IsDir(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// "C:\WINDOWS\system32" from the folders on disk, on-disk spelling kept.
std::optional<std::u16string> FindSystemDirectory(const DriveSource& drive) {
  for (const char* windows : {"WINDOWS", "WINNT"}) {
    std::optional<DrivePath> system = drive.Resolve({windows, "system32"}, true);
    if (!system || !system->exists() || !S_ISDIR(system->mode)) continue;
    return u"C:\\" + text::FromUtf8(system->spelled[0]) + u"\\" + text::FromUtf8(system->spelled[1]);
  }
  return std::nullopt;
}

// The image's folders that every run reads, each listed once now so that a
// damaged index stops the run with its reason instead of hiding files.
std::string DamagedSystemFolder(const ImageDrive& drive, const std::u16string& systemDirectory) {
  std::string relative = text::ToUtf8(
      systemDirectory.size() >= 2 && systemDirectory[1] == u':' ? systemDirectory.substr(2) : systemDirectory);
  safefs::Parts system;
  for (std::size_t start = 0, end; start <= relative.size(); start = end + 1) {
    end = relative.find('\\', start);
    if (end == std::string::npos) end = relative.size();
    if (end > start) system.push_back(relative.substr(start, end - start));
  }
  std::vector<safefs::Parts> folders = {{}, system};
  for (const char* below : {"config", "drivers"}) {
    folders.push_back(system);
    folders.back().push_back(below);
  }
  if (!system.empty()) folders.push_back({system[0], "inf"});
  for (const safefs::Parts& folder : folders)
    if (std::string problem = drive.FolderProblem(folder); !problem.empty()) return problem;
  return "";
}

// The system drive: the root folder, or the image's volume (`image`).
bool OpenSystemDrive(const MachineOptions& options, Machine* next, std::shared_ptr<ImageDrive>* image,
                     std::string* error) {
  if (options.image.empty()) {
    next->root = safefs::Tree::Open(options.root, nullptr);
    if (!next->root) {
      *error = "the system drive folder '" + options.root + "' does not exist or is not a folder";
      return false;
    }
    next->system = std::make_shared<TreeSource>(next->root);
    return true;
  }
  if (options.output.empty()) {
    *error = "an image is only read: give --output DIR for what is written";
    return false;
  }
  const std::optional<std::u16string>& given = options.systemDirectory;
  const char16_t drive = given && !given->empty() ? (*given)[0] : u'C';
  *image = OpenImageDrive(options.image, options.partition, given.has_value(), drive, error);
  next->system = *image;
  return *image != nullptr;
}

}  // namespace

bool ConfigureMachine(const MachineOptions& options, std::string* error) {
  Machine next;
  next.options = options;
  std::string ignored;
  if (!error) error = &ignored;
  std::shared_ptr<ImageDrive> image;
  if (!OpenSystemDrive(options, &next, &image, error)) return false;
  if (!options.output.empty() && !IsDir(options.output)) {
    // Create the output folder (and its parents) the user named.
    for (std::size_t i = 1; i <= options.output.size(); ++i)
      if (i == options.output.size() || options.output[i] == '/') mkdir(options.output.substr(0, i).c_str(), 0755);
  }
  if (!options.output.empty()) {
    next.output = safefs::Tree::Open(options.output, nullptr);
    if (!next.output) {
      *error = "the output folder '" + options.output + "' does not exist or is not a folder";
      return false;
    }
    next.outputSource = std::make_shared<TreeSource>(next.output);
  }
  if (options.systemDirectory) {
    next.systemDirectory = *options.systemDirectory;
    while (!next.systemDirectory.empty() && next.systemDirectory.back() == u'\\') next.systemDirectory.pop_back();
  } else {
    std::optional<std::u16string> found = FindSystemDirectory(*next.system);
    if (!found) {
      const std::string where = image ? image->Describe(DrivePath{}) : "'" + options.root + "'";
      *error = where +
               " holds no Windows system folder (WINDOWS\\system32 or WINNT\\system32); "
               "give it with --system-directory";
      return false;
    }
    next.systemDirectory = *found;
  }
  if (image) {
    *error = DamagedSystemFolder(*image, next.systemDirectory);
    if (!error->empty()) return false;
  }
  next.system = Cached(next.system);
  next.outputSource = Cached(next.outputSource);
  Current() = next;
  ForgetEveryLookup();
  ForgetInfRecords();
  std::string warnings;
  const bool loaded = LoadRegistry(Current(), &warnings, error);
  if (!warnings.empty()) std::fprintf(stderr, "%s", warnings.c_str());
  return loaded;
}

const Machine& CurrentMachine() { return Current(); }

std::vector<std::string> DriveWarnings() {
  return Current().system ? Current().system->TakeWarnings() : std::vector<std::string>();
}

}  // namespace offline
