#include "platform/offline/winapi/registry_store.h"

#include <cstdint>

#include "platform/text.h"

namespace offline {
namespace {

// SYSTEM\CurrentControlSet is the control set named by SYSTEM\Select\Current,
// unless the registry holds a literal CurrentControlSet key (as exports may).
std::u16string ResolvePath(std::u16string_view path) {
  auto parts = SplitRegPath(path);
  if (parts.size() < 2 || !text::EqualsNoCase(parts[0], u"SYSTEM") ||
      !text::EqualsNoCase(parts[1], u"CurrentControlSet")) {
    return std::u16string(path);
  }
  const RegTreeKey* system = RegistryRoot().Child(u"SYSTEM");
  if (!system || system->Child(u"CurrentControlSet")) return std::u16string(path);
  const RegTreeKey* select = system->Child(u"Select");
  const RegTreeValue* current = select ? select->Value(u"Current") : nullptr;
  if (!current || current->data.size() < 4) return std::u16string(path);
  std::uint32_t n = static_cast<std::uint32_t>(current->data[0]) | static_cast<std::uint32_t>(current->data[1]) << 8 |
                    static_cast<std::uint32_t>(current->data[2]) << 16 |
                    static_cast<std::uint32_t>(current->data[3]) << 24;
  std::u16string out = u"SYSTEM\\" + ControlSetName(n);
  for (std::size_t i = 2; i < parts.size(); ++i) {
    out += u'\\';
    out += parts[i];
  }
  return out;
}

}  // namespace

// Lives for the process: the keys read are dropped with it, not freed one by
// one at exit.
RegTreeKey& RegistryRoot() {
  static RegTreeKey& root = *new RegTreeKey;
  return root;
}

const RegTreeKey* LookUpKey(std::u16string_view path) { return FindKey(RegistryRoot(), ResolvePath(path)); }

}  // namespace offline
