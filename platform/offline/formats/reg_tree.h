// In-memory registry keys below HKEY_LOCAL_MACHINE. Names compare as the
// registry compares them (text::EqualsNoCase); subkeys and values are kept
// by their upper-cased names, so a look-up costs log n however many
// siblings a key has, and they list in the order the registry lists them.
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

struct RegTreeKey {
  std::u16string name;
  std::map<std::u16string, std::unique_ptr<RegTreeKey>> children;  // by upper-cased name
  std::map<std::u16string, RegTreeValue> values;                   // by upper-cased name

  RegTreeKey* Child(std::u16string_view childName) const;
  RegTreeKey* AddChild(std::u16string_view childName);  // the existing one when present
  void RemoveChild(std::u16string_view childName);
  const RegTreeValue* Value(std::u16string_view valueName) const;
  void SetValue(std::u16string_view valueName, std::uint32_t type, std::vector<std::uint8_t> data);
  void RemoveValue(std::u16string_view valueName);
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
