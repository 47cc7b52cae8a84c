// What a command reads besides the system it was started on: files the user
// names, and other systems. A run that compares two systems probes one, takes
// its facts, then points the probes at the other; the probes always read the
// system selected last. Each build supplies what it can read.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

// The kinds of system a run can select. A disk image will be one more.
enum class SystemKind {
  kRootFolder,  // a folder that is a Windows system drive (the Linux build's --root)
};

struct SystemSource {
  SystemKind kind;
  std::string location;  // UTF-8
};

// Points every probe at `source` until the next call. False, with a message
// for the user, when this build cannot read it or it is no Windows system.
bool SelectSystem(const SystemSource& source, std::string* error);

// A regular file the user named (UTF-8 path), whole. False, with a message,
// when it cannot be opened, is no regular file or holds more than `limit` bytes.
bool ReadUserFile(const std::string& path, std::size_t limit, std::string* bytes, std::string* error);

// Whether the path the user named is a folder.
bool IsUserFolder(const std::string& path);

}  // namespace platform
