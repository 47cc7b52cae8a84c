// Feeds arbitrary bytes to the hive reader, walks every key and value it
// gives (each key filled from the hive as the walk reaches it), and follows
// the paths the probes ask for.
// Replay: fuzz_hive fuzz/corpus/hive/*
#include <cstddef>
#include <cstdint>

#include "platform/offline/formats/hive_reader.h"
#include "platform/offline/formats/reg_tree.h"

namespace {

void Walk(const offline::RegTreeKey& key, int depth) {
  if (depth > 600) __builtin_trap();  // deeper than the reader's limit
  for (const auto& [upper, v] : key.AllValues()) {
    volatile std::uint8_t sink = 0;
    for (std::uint8_t b : v.data) sink = sink ^ b;
  }
  for (const auto& [upper, c] : key.Subkeys()) Walk(*c, depth + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  offline::RegTreeKey root;
  const auto read = offline::ReadHiveBytes(offline::ByteView(data, size), &root);
  if (!read && (!root.Subkeys().empty() || !root.AllValues().empty())) __builtin_trap();  // refused, yet keys copied
  Walk(root, 0);
  for (const char16_t* path : {u"Select", u"ControlSet001\\Services\\elxstor\\Parameters\\Device",
                               u"ControlSet003\\Services\\elxstor", u"Microsoft\\Windows NT\\CurrentVersion"}) {
    if (const offline::RegTreeKey* key = offline::FindKey(root, path)) {
      for (const char16_t* name : {u"Current", u"DriverParameter", u"ImagePath", u"CurrentVersion"}) key->Value(name);
    }
  }
  return 0;
}
