#include "platform/offline/hive_reader.h"

#include <hivex.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>

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

// The two sequence numbers of the base block differ when the hive was not
// written back cleanly.
bool IsDirty(const std::string& hostPath) {
  std::ifstream in(hostPath, std::ios::binary);
  unsigned char header[12] = {};
  if (!in.read(reinterpret_cast<char*>(header), sizeof header)) return false;
  auto le32 = [&](int at) {
    return static_cast<std::uint32_t>(header[at]) | static_cast<std::uint32_t>(header[at + 1]) << 8 |
           static_cast<std::uint32_t>(header[at + 2]) << 16 | static_cast<std::uint32_t>(header[at + 3]) << 24;
  };
  return le32(4) != le32(8);
}

}  // namespace

void ReadHive(const std::string& hostPath, RegTreeKey* into, std::string* warnings) {
  HivePtr hive(hivex_open(hostPath.c_str(), 0));
  if (!hive) hive.reset(hivex_open(hostPath.c_str(), HIVEX_OPEN_UNSAFE));
  if (!hive) {
    if (warnings) *warnings += hostPath + ": not a readable registry hive\n";
    return;
  }
  if (IsDirty(hostPath) && warnings) *warnings += hostPath + ": hive was not closed cleanly (dirty); reading it as it is\n";
  hive_node_h root = hivex_root(hive.get());
  if (!root) return;
  Walker walker{hive.get()};
  walker.Copy(root, into, 0);
}

}  // namespace offline
