// The parsed lines of a registry export applied to the key tree.
#include "platform/offline/reg_export.h"

namespace offline {
namespace {

class TreeApplier : public RegExportSink {
 public:
  TreeApplier(const std::string& fileName, RegTreeKey* root, std::string* warnings)
      : file_(fileName), root_(root), warnings_(warnings) {}

  void Key(std::u16string_view path, bool remove) override {
    current_ = nullptr;
    const auto parts = SplitRegPath(path);
    if (remove) {
      RegTreeKey* parent = root_;
      for (std::size_t i = 0; i + 1 < parts.size() && parent; ++i) parent = parent->Child(parts[i]);
      if (parent && !parts.empty()) parent->RemoveChild(parts.back());
      return;
    }
    RegTreeKey* key = root_;
    for (auto part : parts) key = key->AddChild(part);
    current_ = key;
  }

  void NoKey() override { current_ = nullptr; }

  // Values of an ignored or deleted key go nowhere.
  void Value(std::u16string_view name, std::uint32_t type, std::vector<std::uint8_t> data) override {
    if (current_) current_->SetValue(name, type, std::move(data));
  }

  void RemoveValue(std::u16string_view name) override {
    if (current_) current_->RemoveValue(name);
  }

  void Problem(std::size_t line, RegLineError error) override {
    if (warnings_) *warnings_ += file_ + ":" + std::to_string(line) + ": " + Describe(error) + "\n";
  }

 private:
  std::string file_;
  RegTreeKey* root_;
  std::string* warnings_;
  RegTreeKey* current_ = nullptr;
};

}  // namespace

void ApplyRegExport(const std::vector<std::uint8_t>& bytes, const std::string& fileName, RegTreeKey* root,
                    std::string* warnings) {
  TreeApplier applier(fileName, root, warnings);
  ParseRegExport(bytes, applier);
}

}  // namespace offline
