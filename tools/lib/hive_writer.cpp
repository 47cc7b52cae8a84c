// Hive files for test images, written with hivex from a copy of an empty hive.
#include <hivex.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "platform/offline/formats/hive_layout.h"
#include "platform/offline/formats/reg_tree.h"
#include "platform/text.h"
#include "tools/lib/registry_content.h"

namespace tools {
namespace {

struct HiveCloser {
  void operator()(hive_h* h) const {
    if (h) hivex_close(h);
  }
};
using HivePtr = std::unique_ptr<hive_h, HiveCloser>;

std::vector<std::u16string> Parts(const std::u16string& path) {
  std::vector<std::u16string> parts;
  std::u16string cur;
  for (char16_t c : path) {
    if (c == u'\\') {
      if (!cur.empty()) parts.push_back(cur);
      cur.clear();
    } else {
      cur.push_back(c);
    }
  }
  if (!cur.empty()) parts.push_back(cur);
  return parts;
}

class HiveFile {
 public:
  bool Open(const std::string& templateHive, const std::string& path, std::string* error) {
    std::error_code ec;
    std::filesystem::copy_file(templateHive, path, std::filesystem::copy_options::overwrite_existing, ec);
    if (ec) {
      *error = "cannot copy " + templateHive + " to " + path + ": " + ec.message();
      return false;
    }
    // The template may be read-only; the copy must be writable.
    std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add, ec);
    path_ = path;
    hive_.reset(hivex_open(path.c_str(), HIVEX_OPEN_WRITE));
    if (!hive_) *error = "cannot open " + path + " as a hive";
    return hive_ != nullptr;
  }

  // Creates the key (and its parents) below the root.
  hive_node_h Key(const std::vector<std::u16string>& parts, std::size_t from) {
    hive_node_h node = hivex_root(hive_.get());
    for (std::size_t i = from; i < parts.size() && node; ++i) {
      std::string name = text::ToUtf8(parts[i]);
      hive_node_h child = hivex_node_get_child(hive_.get(), node, name.c_str());
      if (!child) child = hivex_node_add_child(hive_.get(), node, name.c_str());
      node = child;
    }
    return node;
  }

  bool SetValues(hive_node_h node, const std::vector<std::pair<std::u16string, RegValue>>& values) {
    std::vector<std::string> names;
    names.reserve(values.size());
    std::vector<hive_set_value> set(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
      names.push_back(text::ToUtf8(values[i].first));
      set[i].key = const_cast<char*>(names.back().c_str());
      // Any 32-bit type, as hives hold them: copied in, never cast to the enum.
      std::memcpy(&set[i].t, &values[i].second.type, std::min(sizeof set[i].t, sizeof values[i].second.type));
      set[i].len = values[i].second.data.size();
      set[i].value = reinterpret_cast<char*>(const_cast<std::uint8_t*>(values[i].second.data.data()));
    }
    return hivex_node_set_values(hive_.get(), node, set.size(), set.data(), 0) == 0;
  }

  bool Commit(std::string* error) {
    if (hivex_commit(hive_.get(), nullptr, 0) != 0) {
      *error = "cannot write " + path_;
      return false;
    }
    return true;
  }

 private:
  std::string path_;
  HivePtr hive_;
};

}  // namespace

bool WriteHives(const RegistryContent& content, const std::string& templateHive, const std::string& systemHive,
                const std::string& softwareHive, unsigned controlSet, std::string* error) {
  std::string ignored;
  if (!error) error = &ignored;
  HiveFile system, software;
  if (!system.Open(templateHive, systemHive, error) || !software.Open(templateHive, softwareHive, error)) return false;
  const std::u16string controlSetName = offline::ControlSetName(controlSet);
  bool selectWritten = false;
  RegValue current;
  current.type = 4;
  for (int i = 0; i < 4; ++i) current.data.push_back(static_cast<std::uint8_t>(controlSet >> (8 * i)));
  for (const RegKey& key : content.Keys()) {
    std::vector<std::u16string> parts = Parts(key.path);
    if (parts.empty()) continue;
    bool isSystem = text::EqualsNoCaseAZ(parts[0], u"SYSTEM");
    if (!isSystem && !text::EqualsNoCaseAZ(parts[0], u"SOFTWARE")) continue;
    if (parts.size() == 1 && key.values.empty()) continue;
    if (isSystem && parts.size() > 1 && text::EqualsNoCaseAZ(parts[1], u"CurrentControlSet")) parts[1] = controlSetName;
    HiveFile& hive = isSystem ? system : software;
    hive_node_h node = hive.Key(parts, 1);
    if (!node) {
      *error = "cannot create key " + text::ToUtf8(key.path);
      return false;
    }
    auto values = key.values;
    if (isSystem && parts.size() == 2 && text::EqualsNoCaseAZ(parts[1], u"Select")) {
      selectWritten = true;
      bool hasCurrent = false;
      for (const auto& v : values) hasCurrent = hasCurrent || text::EqualsNoCaseAZ(v.first, u"Current");
      if (!hasCurrent) values.emplace_back(u"Current", current);
    }
    if (!values.empty() && !hive.SetValues(node, values)) {
      *error = "cannot set values of " + text::ToUtf8(key.path);
      return false;
    }
  }
  if (!selectWritten) {
    hive_node_h select = system.Key({u"SYSTEM", u"Select"}, 1);
    if (!select || !system.SetValues(select, {{u"Current", current}})) {
      *error = "cannot write SYSTEM\\Select";
      return false;
    }
  }
  return system.Commit(error) && software.Commit(error);
}

bool MarkHiveDirty(std::vector<std::uint8_t>* hive) {
  namespace h = offline::hive;
  const offline::ByteView view(hive->data(), hive->size());
  const auto secondary = view.u32At(h::kSecondarySequence);
  if (!secondary || !view.contains(0, h::kBaseBlockSize)) return false;
  auto put32 = [hive](std::uint64_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) (*hive)[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  put32(h::kPrimarySequence, *secondary + 1);
  put32(h::kChecksum, *h::BaseBlockChecksum(view));
  return true;
}

}  // namespace tools
