#include "platform/offline/formats/reg_tree.h"

#include <algorithm>

#include "platform/text.h"

namespace offline {

RegTreeKey* RegTreeKey::Child(std::u16string_view childName) const {
  for (const auto& c : children) {
    if (text::EqualsNoCaseAZ(c->name, childName)) return c.get();
  }
  return nullptr;
}

RegTreeKey* RegTreeKey::AddChild(std::u16string_view childName) {
  if (RegTreeKey* found = Child(childName)) return found;
  return AppendChild(childName);
}

RegTreeKey* RegTreeKey::AppendChild(std::u16string_view childName) {
  children.push_back(std::make_unique<RegTreeKey>());
  children.back()->name = std::u16string(childName);
  return children.back().get();
}

void RegTreeKey::RemoveChild(std::u16string_view childName) {
  children.erase(std::remove_if(children.begin(), children.end(),
                                [&](const std::unique_ptr<RegTreeKey>& c) {
                                  return text::EqualsNoCaseAZ(c->name, childName);
                                }),
                 children.end());
}

const RegTreeValue* RegTreeKey::Value(std::u16string_view valueName) const {
  for (const auto& v : values) {
    if (text::EqualsNoCaseAZ(v.name, valueName)) return &v;
  }
  return nullptr;
}

void RegTreeKey::SetValue(std::u16string_view valueName, std::uint32_t type, std::vector<std::uint8_t> data) {
  for (auto& v : values) {
    if (text::EqualsNoCaseAZ(v.name, valueName)) {
      v.type = type;
      v.data = std::move(data);
      return;
    }
  }
  values.push_back(RegTreeValue{std::u16string(valueName), type, std::move(data)});
}

void RegTreeKey::RemoveValue(std::u16string_view valueName) {
  values.erase(std::remove_if(values.begin(), values.end(),
                              [&](const RegTreeValue& v) { return text::EqualsNoCaseAZ(v.name, valueName); }),
               values.end());
}

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
