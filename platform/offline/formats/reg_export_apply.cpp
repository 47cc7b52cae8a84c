// The parsed lines of a registry export applied to the key tree.
#include "platform/offline/formats/reg_export.h"

#include <vector>

#include "platform/text.h"

namespace offline {
namespace {

class TreeApplier : public RegExportSink {
 public:
  TreeApplier(const std::string& fileName, RegTreeKey* root, RegBudget* budget, std::string* warnings)
      : file_(fileName), root_(root), budget_(budget), warnings_(warnings) {}

  void Key(std::u16string_view path, bool remove) override {
    current_ = nullptr;
    const auto parts = SplitRegPath(path);
    if (remove) {
      chain_.clear();  // the keys it passed through may be gone
      RegTreeKey* parent = root_;
      for (std::size_t i = 0; i + 1 < parts.size() && parent; ++i) parent = parent->Child(parts[i]);
      if (parent && !parts.empty()) parent->RemoveChild(parts.back());
      return;
    }
    // An export lists a key's subkeys right after it: the start the path
    // shares with the key before is not looked up again.
    std::size_t same = 0;
    while (same < parts.size() && same < chain_.size() && text::EqualsNoCase(parts[same], chain_[same].name)) ++same;
    chain_.resize(same);
    RegTreeKey* key = same ? chain_.back().key : root_;
    for (std::size_t i = same; i < parts.size(); ++i) {
      RegTreeKey* next = key->Child(parts[i]);
      if (!next) {
        if (budget_->keys == 0) {
          chain_.clear();
          return Exhausted("keys");
        }
        --budget_->keys;
        next = key->AddChild(parts[i]);
      }
      key = next;
      chain_.push_back({std::u16string(parts[i]), key});
    }
    current_ = key;
  }

  void NoKey() override { current_ = nullptr; }

  // Values of an ignored or deleted key go nowhere.
  void Value(std::u16string_view name, std::uint32_t type, std::vector<std::uint8_t> data) override {
    if (!current_) return;
    if (budget_->values == 0 || budget_->valueBytes < data.size()) return Exhausted("values");
    --budget_->values;
    budget_->valueBytes -= data.size();
    current_->SetValue(name, type, std::move(data));
  }

  void RemoveValue(std::u16string_view name) override {
    if (current_) current_->RemoveValue(name);
  }

  void Problem(std::size_t line, RegLineError error) override {
    if (++problems_ <= kShownRegProblems && warnings_)
      *warnings_ += file_ + ":" + std::to_string(line) + ": " + Describe(error) + "\n";
  }

  void Finish() {
    if (problems_ > kShownRegProblems && warnings_)
      *warnings_ += file_ + ": " + std::to_string(problems_) + " lines skipped in all; the first " +
                    std::to_string(kShownRegProblems) + " are shown\n";
  }

 private:
  // Said once per file.
  void Exhausted(const char* what) {
    current_ = nullptr;
    if (exhausted_ || !warnings_) return;
    exhausted_ = true;
    *warnings_ += file_ + ": more " + what + " than a registry may hold here; the rest are skipped\n";
  }

  std::string file_;
  RegTreeKey* root_;
  RegBudget* budget_;
  std::string* warnings_;
  RegTreeKey* current_ = nullptr;
  struct Step {
    std::u16string name;  // as the export spelt it
    RegTreeKey* key;
  };
  std::vector<Step> chain_;  // the keys from the top to the last key line's
  std::size_t problems_ = 0;
  bool exhausted_ = false;
};

}  // namespace

void ApplyRegExport(const std::vector<std::uint8_t>& bytes, const std::string& fileName, RegTreeKey* root,
                    RegBudget* budget, std::string* warnings) {
  RegBudget own;
  TreeApplier applier(fileName, root, budget ? budget : &own, warnings);
  ParseRegExport(bytes, applier);
  applier.Finish();
}

}  // namespace offline
