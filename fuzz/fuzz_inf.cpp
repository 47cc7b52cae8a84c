// Bytes in, parsed INF out: open as WIN4 and ask for a few lines with substitution.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/offline/inf_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> bytes(data, data + size);
  auto parsed = offline::ParseInf(bytes, true);
  if (!parsed) return 0;
  for (const char16_t* name : {u"Version", u"Strings", u"TEVOCCL_INST"}) {
    const offline::InfSection* section = parsed->Find(name);
    if (!section) continue;
    for (const offline::InfLine& line : section->lines) {
      parsed->Substitute(line.key);
      for (const std::u16string& field : line.fields) parsed->Substitute(field);
    }
  }
  return 0;
}
