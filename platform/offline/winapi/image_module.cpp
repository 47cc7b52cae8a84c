// Loading the disk image module on the first call that needs it.
#include <dlfcn.h>
#include <unistd.h>

#include <mutex>

#include "platform/offline/winapi/image_drive.h"

namespace offline {
namespace {

struct Loaded {
  std::mutex mutex;
  const ImageModule* module = nullptr;
  std::string why;  // why it could not be loaded
};

Loaded& State() {
  static Loaded& loaded = *new Loaded;
  return loaded;
}

// The folder the running program is in, from the kernel's own link.
std::string ProgramFolder() {
  char buffer[4096];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return "";
  const std::string path(buffer, static_cast<std::size_t>(n));
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "" : path.substr(0, slash);
}

// Beside the program (a build tree), then where the package installs it.
const ImageModule* Load(std::string* why) {
  std::string tried;
  for (const std::string& folder : {ProgramFolder(), std::string(QUILLON_MODULE_DIR)}) {
    if (folder.empty()) continue;
    const std::string file = folder + "/" + kImageModuleFile;
    if (access(file.c_str(), F_OK) != 0) {
      tried += (tried.empty() ? "" : ", ") + file;
      continue;
    }
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);  // never closed: its code serves the run
    const auto entry = handle ? reinterpret_cast<ImageModuleEntry>(dlsym(handle, kImageModuleEntry)) : nullptr;
    if (entry) return entry();
    const char* error = dlerror();
    *why = "the disk image reader " + file + " cannot be loaded: " + (error ? error : "no entry point");
    return nullptr;
  }
  *why = "the disk image reader is not installed (looked for " + tried + ")";
  return nullptr;
}

const ImageModule* Module(std::string* why) {
  Loaded& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (!state.module && state.why.empty()) state.module = Load(&state.why);
  if (!state.module) *why = state.why;
  return state.module;
}

}  // namespace

void UseImageModule(const ImageModule* module) {
  Loaded& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.module = module;
}

std::shared_ptr<ImageDrive> OpenImageDrive(const std::string& path, int partition, bool anyNtfs, char16_t drive,
                                           std::string* error) {
  const ImageModule* module = Module(error);
  return module ? module->openDrive(path, partition, anyNtfs, drive, error) : nullptr;
}

bool ListVolumes(const std::string& path, std::string* table, std::string* error) {
  const ImageModule* module = Module(error);
  return module && module->listVolumes(path, table, error);
}

}  // namespace offline
