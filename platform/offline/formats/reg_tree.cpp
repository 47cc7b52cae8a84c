#include "platform/offline/formats/reg_tree.h"

#include "platform/text.h"

namespace offline {

void RegTreeKey::FillLater(std::shared_ptr<RegTreeFiller> filler, std::uint64_t node, int depth) {
  filler_ = std::move(filler);
  node_ = node;
  depth_ = depth;
}

// The filler is taken first, so that what it adds does not fill again. Only
// the mutable members change, so a key held as const may be filled.
void RegTreeKey::Fill() const {
  if (!filler_) return;
  const std::shared_ptr<RegTreeFiller> filler = std::move(filler_);
  filler->Fill(node_, depth_, const_cast<RegTreeKey*>(this));
}

const RegTreeKey::Children& RegTreeKey::Subkeys() const {
  Fill();
  return children_;
}

const RegTreeKey::Values& RegTreeKey::AllValues() const {
  Fill();
  return values_;
}

RegTreeKey* RegTreeKey::Child(std::u16string_view childName) const {
  Fill();
  const auto found = children_.find(text::Upcased(childName));
  return found == children_.end() ? nullptr : found->second.get();
}

RegTreeKey* RegTreeKey::AddChild(std::u16string_view childName) {
  Fill();
  auto& slot = children_[text::Upcased(childName)];
  if (!slot) {
    slot = std::make_unique<RegTreeKey>();
    slot->name = std::u16string(childName);
  }
  return slot.get();
}

void RegTreeKey::RemoveChild(std::u16string_view childName) {
  Fill();
  children_.erase(text::Upcased(childName));
}

const RegTreeValue* RegTreeKey::Value(std::u16string_view valueName) const {
  Fill();
  const auto found = values_.find(text::Upcased(valueName));
  return found == values_.end() ? nullptr : &found->second;
}

void RegTreeKey::SetValue(std::u16string_view valueName, std::uint32_t type, std::vector<std::uint8_t> data) {
  Fill();
  RegTreeValue& value = values_[text::Upcased(valueName)];
  if (value.name.empty()) value.name = std::u16string(valueName);
  value.type = type;
  value.data = std::move(data);
}

void RegTreeKey::RemoveValue(std::u16string_view valueName) {
  Fill();
  values_.erase(text::Upcased(valueName));
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
