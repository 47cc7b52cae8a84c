// The lines every adapter page builds the same way: the Korvane (marker) line,
// the driver line and the substitution of a page default for an "N/A" line.
#pragma once

#include <string>
#include <string_view>

namespace pages {

// "Korvane Version:" + 20 blanks + "--- <marker> v<version> ---", or
// "--- Not Installed ---" when `version` is empty.
std::u16string KorvaneLine(std::u16string_view markerFile, std::u16string_view version);

// "Driver Version:" + 38 blanks + "--- v<version> ---", or "--- Not Installed ---".
std::u16string DriverLine(std::u16string_view version);

// `fallback` when `line` contains "N/A" (case-sensitive), else `line`.
std::u16string WithDefault(std::u16string_view line, std::u16string_view fallback);

// The text of a zero-terminated fixed buffer.
template <std::size_t N>
std::u16string_view FieldText(const char16_t (&field)[N]) {
  std::size_t n = 0;
  while (n < N && field[n] != 0) ++n;
  return std::u16string_view(field, n);
}

}  // namespace pages

#include "pages/control_text.h"
#include "platform/ui.h"

namespace pages {

// The texts `page`'s data exchange puts into its controls, in the order of
// the text controls in its template.
ControlTexts ExchangedTexts(ui::CDialog& page);

}  // namespace pages
