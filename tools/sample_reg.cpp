// Turns an offline system's SYSTEM and SOFTWARE hive files into a .reg export
// that can be imported into a live registry (Wine's, for the end-to-end test):
//   sample_reg SYSTEM_HIVE SOFTWARE_HIVE OUT.reg
// The control set that Select\Current names is written as CurrentControlSet;
// the other control sets and Select itself belong to the offline machine's
// boot history and are left out, so the importing registry keeps its own
// control-set links. Everything else is copied key by key, value by value,
// with the value types and bytes unchanged.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include "tools/lib/hive_file.h"
#include "platform/offline/formats/reg_tree.h"
#include "platform/text.h"
#include "tools/lib/registry_content.h"

namespace {

// Keys below this depth are not copied: a hive deeper than that is hostile.
constexpr int kMaxDepth = 256;

void CopyTree(const offline::RegTreeKey& key, const std::u16string& path, int depth, tools::RegistryContent* out) {
  if (depth > kMaxDepth) return;
  out->CreateKey(path);
  for (const auto& [upper, v] : key.AllValues()) out->SetValue(path, v.name, tools::RegValue{v.type, v.data});
  for (const auto& [upper, child] : key.Subkeys()) CopyTree(*child, path + u"\\" + child->name, depth + 1, out);
}

bool IsControlSetName(const std::u16string& name) {
  constexpr std::u16string_view kPrefix = u"ControlSet";
  if (name.size() <= kPrefix.size() ||
      !text::EqualsNoCaseAZ(std::u16string_view(name).substr(0, kPrefix.size()), kPrefix))
    return false;
  for (std::size_t i = kPrefix.size(); i < name.size(); ++i)
    if (name[i] < u'0' || name[i] > u'9') return false;
  return true;
}

// Select\Current as a DWORD, or 0 when it is missing or malformed.
std::uint32_t CurrentControlSet(const offline::RegTreeKey& system) {
  const offline::RegTreeKey* select = offline::FindKey(system, u"Select");
  const offline::RegTreeValue* current = select ? select->Value(u"Current") : nullptr;
  if (current == nullptr || current->type != 4 || current->data.size() != 4) return 0;
  const auto& d = current->data;
  return d[0] | d[1] << 8 | d[2] << 16 | static_cast<std::uint32_t>(d[3]) << 24;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: sample_reg SYSTEM_HIVE SOFTWARE_HIVE OUT.reg\n";
    return 2;
  }
  offline::RegTreeKey system, software;
  std::string warnings;
  offline::ReadHive(argv[1], &system, &warnings);
  offline::ReadHive(argv[2], &software, &warnings);
  if (!warnings.empty()) std::cerr << "sample_reg: " << warnings << "\n";
  if (system.Subkeys().empty()) {
    std::cerr << "sample_reg: no keys in " << argv[1] << "\n";
    return 1;
  }
  const std::uint32_t current = CurrentControlSet(system);
  if (current == 0) {
    std::cerr << "sample_reg: " << argv[1] << " has no valid Select\\Current\n";
    return 1;
  }
  const std::u16string currentName = offline::ControlSetName(current);
  const offline::RegTreeKey* currentSet = offline::FindKey(system, currentName);
  if (currentSet == nullptr) {
    std::cerr << "sample_reg: Select\\Current names " << text::ToUtf8(currentName) << ", which is missing\n";
    return 1;
  }

  tools::RegistryContent content;
  for (const auto& [upper, child] : system.Subkeys()) {
    if (text::EqualsNoCaseAZ(child->name, u"Select") || IsControlSetName(child->name)) continue;
    CopyTree(*child, u"SYSTEM\\" + child->name, 1, &content);
  }
  for (const auto& [upper, child] : currentSet->Subkeys())
    CopyTree(*child, u"SYSTEM\\CurrentControlSet\\" + child->name, 2, &content);
  for (const auto& [upper, child] : software.Subkeys()) CopyTree(*child, u"SOFTWARE\\" + child->name, 1, &content);

  const std::vector<std::uint8_t> bytes = tools::WriteRegExport(content, /*unicode=*/true);
  std::ofstream out(argv[3], std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    std::cerr << "sample_reg: cannot write " << argv[3] << "\n";
    return 1;
  }
  return 0;
}
