#include "platform/offline/formats/reg_tree.h"

#include "platform/text.h"

namespace offline {

RegTreeKey* RegTreeKey::Child(std::u16string_view childName) const {
  const auto found = children.find(text::Upcased(childName));
  return found == children.end() ? nullptr : found->second.get();
}

RegTreeKey* RegTreeKey::AddChild(std::u16string_view childName) {
  auto& slot = children[text::Upcased(childName)];
  if (!slot) {
    slot = std::make_unique<RegTreeKey>();
    slot->name = std::u16string(childName);
  }
  return slot.get();
}

void RegTreeKey::RemoveChild(std::u16string_view childName) { children.erase(text::Upcased(childName)); }

const RegTreeValue* RegTreeKey::Value(std::u16string_view valueName) const {
  const auto found = values.find(text::Upcased(valueName));
  return found == values.end() ? nullptr : &found->second;
}

void RegTreeKey::SetValue(std::u16string_view valueName, std::uint32_t type, std::vector<std::uint8_t> data) {
  RegTreeValue& value = values[text::Upcased(valueName)];
  if (value.name.empty()) value.name = std::u16string(valueName);
  value.type = type;
  value.data = std::move(data);
}

void RegTreeKey::RemoveValue(std::u16string_view valueName) { values.erase(text::Upcased(valueName)); }

std::vector<std::u16string_view> SplitRegPath(std::u16string_view path) {
  std::vector<std::u16string_view> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find(u'\\', start);
    if (end == std::u16string_view::npos) end = path.size();
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

const RegTreeKey* FindKey(const RegTreeKey& root, std::u16string_view path) {
  const RegTreeKey* key = &root;
  for (std::u16string_view part : SplitRegPath(path)) {
    key = key->Child(part);
    if (!key) return nullptr;
  }
  return key;
}

}  // namespace offline
