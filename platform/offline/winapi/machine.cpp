#include "platform/offline/winapi/machine.h"

#include <sys/stat.h>

#include <cstdio>

#include "platform/offline/winapi/cached_source.h"
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

}  // namespace

bool ConfigureMachine(const MachineOptions& options, std::string* error) {
  Machine next;
  next.options = options;
  next.root = safefs::Tree::Open(options.root, nullptr);
  if (!next.root) {
    if (error) *error = "the system drive folder '" + options.root + "' does not exist or is not a folder";
    return false;
  }
  next.system = std::make_shared<TreeSource>(next.root);
  if (!options.output.empty() && !IsDir(options.output)) {
    // Create the output folder (and its parents) the user named.
    for (std::size_t i = 1; i <= options.output.size(); ++i)
      if (i == options.output.size() || options.output[i] == '/') mkdir(options.output.substr(0, i).c_str(), 0755);
  }
  if (!options.output.empty()) {
    next.output = safefs::Tree::Open(options.output, nullptr);
    if (!next.output) {
      if (error) *error = "the output folder '" + options.output + "' does not exist or is not a folder";
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
      if (error)
        *error = "'" + options.root + "' holds no Windows system folder (WINDOWS\\system32 or WINNT\\system32); "
                 "give it with --system-directory";
      return false;
    }
    next.systemDirectory = *found;
  }
  next.system = Cached(next.system);
  next.outputSource = Cached(next.outputSource);
  Current() = next;
  ForgetEveryLookup();
  ForgetInfRecords();
  std::string warnings;
  LoadRegistry(Current(), &warnings);
  if (!warnings.empty()) std::fprintf(stderr, "%s", warnings.c_str());
  return true;
}

const Machine& CurrentMachine() { return Current(); }

}  // namespace offline
