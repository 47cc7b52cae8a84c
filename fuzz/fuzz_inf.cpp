// Bytes in, parsed INF out: open as WIN4 and ask for a few lines with substitution.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/offline/formats/inf_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> bytes(data, data + size);
  auto parsed = offline::ParseInf(bytes, true);
  if (!parsed) return 0;
  const offline::InfDirIds dirids = [](unsigned id) {
    return std::optional<std::u16string>(u"C:\\D" + std::u16string(id % 3, u'\\'));
  };
  for (const char16_t* name : {u"Version", u"Strings", u"TEVOCCL_INST"}) {
    const auto section = parsed->FindSection(name);
    if (!section) continue;
    for (std::size_t l = 0; l < parsed->LineCount(*section); ++l) {
      const offline::InfLine& line = parsed->Line(*section, l);
      parsed->Substitute(parsed->Key(line), &dirids);
      parsed->LineText(line, &dirids);
    }
    parsed->FindKey(*section, u"CatalogFile", &dirids);
  }
  return 0;
}
