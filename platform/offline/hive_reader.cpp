#include "platform/offline/hive_reader.h"

#include <hivex.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/offline/hive_layout.h"
#include "platform/text.h"

namespace offline {
namespace {

// Limits for hostile hives.
constexpr int kMaxDepth = 512;
constexpr std::size_t kMaxKeys = 1000000;
constexpr std::size_t kMaxValueBytes = 1 << 20;
constexpr std::size_t kMaxValuesPerKey = 100000;
// Cells may be shared by many keys in a hostile hive, so the copy is bounded
// as a whole too.
constexpr std::size_t kMaxTotalValueBytes = std::size_t{256} << 20;
constexpr std::size_t kMaxTotalValues = 4000000;

struct HiveCloser {
  void operator()(hive_h* h) const {
    if (h) hivex_close(h);
  }
};
using HivePtr = std::unique_ptr<hive_h, HiveCloser>;

struct FreeString {
  void operator()(char* p) const { std::free(p); }
};
using CString = std::unique_ptr<char, FreeString>;

struct Walker {
  hive_h* hive;
  std::size_t keys = 0;
  std::size_t valueCount = 0;
  std::size_t valueBytes = 0;

  void Copy(hive_node_h node, RegTreeKey* into, int depth) {
    if (depth > kMaxDepth) return;
    hive_value_h* values = hivex_node_values(hive, node);
    if (values) {
      for (std::size_t i = 0; values[i] && i < kMaxValuesPerKey; ++i) {
        hive_type type = hive_t_REG_NONE;
        std::size_t len = 0;
        if (hivex_value_type(hive, values[i], &type, &len) != 0 || len > kMaxValueBytes) continue;
        if (++valueCount > kMaxTotalValues || valueBytes + len > kMaxTotalValueBytes) break;
        CString name(hivex_value_key(hive, values[i]));
        if (!name) continue;
        std::size_t got = 0;
        CString bytes(hivex_value_value(hive, values[i], &type, &got));
        if (!bytes || got > kMaxValueBytes || valueBytes + got > kMaxTotalValueBytes) continue;
        valueBytes += got;
        const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.get());
        into->values.push_back(RegTreeValue{text::FromUtf8(name.get()), static_cast<std::uint32_t>(type),
                                            std::vector<std::uint8_t>(p, p + got)});
      }
      std::free(values);
    }
    hive_node_h* children = hivex_node_children(hive, node);
    if (!children) return;
    for (std::size_t i = 0; children[i]; ++i) {
      if (++keys > kMaxKeys) break;
      CString name(hivex_node_name(hive, children[i]));
      if (!name) continue;
      // A hive keeps its subkey names unique, so no look-up per key (which would
      // make a key with many subkeys quadratic).
      Copy(children[i], into->AppendChild(text::FromUtf8(name.get())), depth + 1);
    }
    std::free(children);
  }
};

// The base block as far as the reader needs it: signature and sequence numbers.
Parsed<HiveInfo, HiveError> ReadBaseBlock(ByteView bytes) {
  if (!bytes.contains(0, hive::kBaseBlockSize)) return HiveError::kTooShort;
  if (bytes.u32At(hive::kSignature) != std::optional<std::uint32_t>(hive::kSignatureValue)) return HiveError::kNotAHive;
  HiveInfo info;
  info.dirty = bytes.u32At(hive::kPrimarySequence) != bytes.u32At(hive::kSecondarySequence);
  return info;
}

// Up to the base block's size from the start of the file.
std::vector<std::uint8_t> BaseBlockOf(int fd) {
  std::vector<std::uint8_t> block(hive::kBaseBlockSize);
  std::size_t got = 0;
  while (got < block.size()) {
    const ssize_t n = pread(fd, block.data() + got, block.size() - got, static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  block.resize(got);
  return block;
}

struct MemoryFile {
  int fd = memfd_create("hive", MFD_CLOEXEC);
  ~MemoryFile() {
    if (fd >= 0) close(fd);
  }
};

}  // namespace

const char* Describe(HiveError error) {
  switch (error) {
    case HiveError::kTooShort: return "too short for a registry hive";
    case HiveError::kNotAHive: return "not a registry hive";
    case HiveError::kDamaged: return "damaged registry hive";
    case HiveError::kNoRoot: return "registry hive without a root key";
    case HiveError::kNoMemoryFile: return "no memory for the hive";
  }
  return "unreadable registry hive";
}

Parsed<HiveInfo, HiveError> ReadHiveDescriptor(int fd, RegTreeKey* into) {
  const std::string name = "/proc/self/fd/" + std::to_string(fd);
  HivePtr hive(hivex_open(name.c_str(), 0));
  if (!hive) hive.reset(hivex_open(name.c_str(), HIVEX_OPEN_UNSAFE));
  const std::vector<std::uint8_t> block = BaseBlockOf(fd);
  auto info = ReadBaseBlock(ByteView(block.data(), block.size()));
  if (!hive) return info ? HiveError::kDamaged : info.reason();
  hive_node_h root = hivex_root(hive.get());
  if (!root) return HiveError::kNoRoot;
  Walker walker{hive.get()};
  walker.Copy(root, into, 0);
  // hivex read what it holds; a base block it took should read here too.
  return info ? *info : HiveInfo{};
}

Parsed<HiveInfo, HiveError> ReadHiveBytes(ByteView bytes, RegTreeKey* into) {
  const MemoryFile file;
  if (file.fd < 0) return HiveError::kNoMemoryFile;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(file.fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return HiveError::kNoMemoryFile;
    done += static_cast<std::size_t>(n);
  }
  return ReadHiveDescriptor(file.fd, into);
}

}  // namespace offline
