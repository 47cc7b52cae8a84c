// The offline Windows machine that the emulated Win32 calls answer for: a
// system drive on the host (--root) or in a disk image (--image), its system
// directory text, where writes go (--output) and where the registry comes
// from (hives or --reg exports).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/offline/winapi/drive_source.h"
#include "platform/offline/winapi/safe_fs.h"

namespace offline {

struct MachineOptions {
  std::string root;                               // host folder that is the system drive
  std::string image;                              // or a disk image holding it (with `output`)
  int partition = 0;                              // the image's volume to read; 0: the one with Windows
  std::optional<std::u16string> systemDirectory;  // e.g. u"C:\\WINDOWS\\system32"; found on disk when absent
  std::string output;                             // host folder for writes; empty: into the image
  std::vector<std::string> regFiles;              // registry exports; when any, the image's hives are not read
};

struct Machine {
  MachineOptions options;
  std::u16string systemDirectory;              // resolved, no trailing backslash
  std::shared_ptr<const safefs::Tree> root;    // --root, held open for the run
  std::shared_ptr<const safefs::Tree> output;  // --output, held open; null: writes go into the root
  // Where files are read: the system drive, and what was written below --output.
  std::shared_ptr<const DriveSource> system;
  std::shared_ptr<const DriveSource> outputSource;  // null without --output
};

// Sets up the machine. False, with a message for the user, when the root or
// the image is missing or holds no Windows system folder (and no
// --system-directory was given), or the image's system folders are damaged.
bool ConfigureMachine(const MachineOptions& options, std::string* error);

// Damage the system drive's source met since the last call, for the user.
std::vector<std::string> DriveWarnings();

// The machine in force; a default (empty) one before ConfigureMachine.
const Machine& CurrentMachine();

}  // namespace offline
