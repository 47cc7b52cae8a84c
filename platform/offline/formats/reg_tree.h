// In-memory registry keys below HKEY_LOCAL_MACHINE. Names compare as the
// registry compares them (text::EqualsNoCase); subkeys and values are kept
// by their upper-cased names, so a look-up costs log n however many
// siblings a key has, and they list in the order the registry lists them.
//
// A key read from a file may be filled on first use: until something asks
// for its subkeys or values it holds only its name and where it lies in the
// file. Every way in (look-up, listing, change) fills it first, so callers
// never see the difference. Not safe to share between threads.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace offline {

struct RegTreeValue {
  std::u16string name;
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
};

class RegTreeKey;

// Fills a key from where it lies in a file: its values, and its direct
// subkeys, each left to be filled in its turn.
class RegTreeFiller {
 public:
  virtual ~RegTreeFiller() = default;
  virtual void Fill(std::uint64_t node, int depth, RegTreeKey* key) = 0;
};

class RegTreeKey {
 public:
  using Children = std::map<std::u16string, std::unique_ptr<RegTreeKey>>;  // by upper-cased name
  using Values = std::map<std::u16string, RegTreeValue>;                   // by upper-cased name

  std::u16string name;

  const Children& Subkeys() const;
  const Values& AllValues() const;

  RegTreeKey* Child(std::u16string_view childName) const;
  RegTreeKey* AddChild(std::u16string_view childName);  // the existing one when present
  void RemoveChild(std::u16string_view childName);
  const RegTreeValue* Value(std::u16string_view valueName) const;
  void SetValue(std::u16string_view valueName, std::uint32_t type, std::vector<std::uint8_t> data);
  void RemoveValue(std::u16string_view valueName);

  // Leaves the key to `filler` until it is first used; `node` and `depth`
  // are handed back to it then.
  void FillLater(std::shared_ptr<RegTreeFiller> filler, std::uint64_t node, int depth);

 private:
  void Fill() const;

  mutable Children children_;
  mutable Values values_;
  mutable std::shared_ptr<RegTreeFiller> filler_;
  std::uint64_t node_ = 0;
  int depth_ = 0;
};

// Splits a backslash path into its non-empty parts.
std::vector<std::u16string_view> SplitRegPath(std::u16string_view path);

// Follows a path from `root`; null when a part is missing.
const RegTreeKey* FindKey(const RegTreeKey& root, std::u16string_view path);

// "ControlSet" with the number in at least three digits (ControlSet003).
inline std::u16string ControlSetName(std::uint32_t n) {
  std::u16string digits;
  do {
    digits.insert(digits.begin(), static_cast<char16_t>(u'0' + n % 10));
    n /= 10;
  } while (n);
  while (digits.size() < 3) digits.insert(digits.begin(), u'0');
  return u"ControlSet" + digits;
}

}  // namespace offline
