// Feeds arbitrary bytes to the .reg export reader and walks what it built.
// Replay: fuzz_reg_export fuzz/corpus/reg_export/*
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/offline/formats/reg_export.h"
#include "platform/offline/formats/reg_tree.h"

namespace {

std::size_t Walk(const offline::RegTreeKey& key, int depth) {
  std::size_t n = key.AllValues().size();
  for (const auto& [upper, v] : key.AllValues()) {
    volatile std::uint8_t sink = 0;
    for (std::uint8_t b : v.data) sink = sink ^ b;
  }
  if (depth > 600) __builtin_trap();
  for (const auto& [upper, c] : key.Subkeys()) n += Walk(*c, depth + 1);
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  offline::RegTreeKey root;
  std::string warnings;
  offline::ApplyRegExport(std::vector<std::uint8_t>(data, data + size), "fuzz.reg", &root, nullptr, &warnings);
  Walk(root, 0);
  offline::FindKey(root, u"SYSTEM\\ControlSet001\\Services");
  offline::FindKey(root, u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion");
  return 0;
}
