// Reads a compiled dialog resource (DLGTEMPLATE or DLGTEMPLATEEX) back from
// its bytes, as the dialog manager reads it, with every read bounds-checked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace win32test {

// A name-or-ordinal field: an ordinal (0xFFFF, n) or a text.
struct NameOrOrdinal {
  bool isOrdinal = false;
  unsigned ordinal = 0;
  std::u16string text;
};

struct ParsedControl {
  std::uint32_t style = 0;
  std::uint32_t exStyle = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
  int id = 0;  // sign-extended from its 16-bit (or, extended, 32-bit) field
  NameOrOrdinal windowClass;
  NameOrOrdinal title;
};

struct ParsedDialog {
  bool extended = false;
  std::uint32_t style = 0;
  std::uint32_t exStyle = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
  NameOrOrdinal menu;
  NameOrOrdinal windowClass;
  std::u16string caption;
  bool hasFont = false;
  int pointSize = 0;
  std::u16string typeface;
  std::vector<ParsedControl> controls;
};

// Parses `size` bytes at `data`. On a malformed or truncated template returns
// false and says why in `error`.
bool ParseDialogResource(const void* data, std::size_t size, ParsedDialog& dialog, std::string& error);

}  // namespace win32test
