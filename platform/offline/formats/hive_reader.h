// Reads a registry hive into the in-memory key tree, from bytes or from an
// open file. hivex opens hives by name only, so bytes are handed to it as an
// anonymous memory file, and a descriptor as /proc/self/fd/N; hivex then
// reads the file whole into memory of its own.
#pragma once

#include "platform/offline/formats/byte_view.h"
#include "platform/offline/formats/parsed.h"
#include "platform/offline/formats/reg_tree.h"

namespace offline {

// Why a hive gives no keys.
enum class HiveError {
  kTooShort,      // shorter than the base block
  kNotAHive,      // no "regf" signature
  kDamaged,       // hivex refuses it, even in its tolerant mode
  kNoRoot,        // no root key
  kNoMemoryFile,  // the bytes could not be put in a memory file
};

// A few words for a person ("not a registry hive", ...).
const char* Describe(HiveError error);

struct HiveInfo {
  // The two sequence numbers differ: the hive was not written back cleanly
  // (its log files were not applied); it is read as it is.
  bool dirty = false;
};

// Gives `into` the hive's keys and values, each key filled from the hive when
// it is first used (the hive stays open, in memory, until then); a refused
// hive leaves `into` as it was. A hive damaged further in gives fewer keys,
// within limits on depth, key and value counts and sizes. Both need /proc
// mounted, where hivex finds the file by its descriptor.
Parsed<HiveInfo, HiveError> ReadHiveBytes(ByteView bytes, RegTreeKey* into);
// `fd` must be open for reading (not O_PATH); it is neither moved nor closed,
// and may be closed as soon as the reader returns.
Parsed<HiveInfo, HiveError> ReadHiveDescriptor(int fd, RegTreeKey* into);

}  // namespace offline
