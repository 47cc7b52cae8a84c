// Bytes in, parsed INF out: open as WIN4 and ask for a few lines with substitution.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/offline/inf_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> bytes(data, data + size);
  offline::InfParseResult parsed = offline::ParseInf(bytes, true);
  if (parsed.status != offline::InfStatus::Ok) return 0;
  for (const char16_t* name : {u"Version", u"Strings", u"TEVOCCL_INST"}) {
    const offline::InfSection* section = parsed.file.Find(name);
    if (!section) continue;
    for (const offline::InfLine& line : section->lines) {
      parsed.file.Substitute(line.key);
      for (const std::u16string& field : line.fields) parsed.file.Substitute(field);
    }
  }
  return 0;
}
