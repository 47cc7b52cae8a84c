#include "pages/page_lines.h"

#include "platform/text.h"

namespace pages {
namespace {
constexpr std::size_t kWorkBuffer = 260;
}

std::u16string KorvaneLine(std::u16string_view markerFile, std::u16string_view version) {
  char16_t buffer[kWorkBuffer] = {};
  if (!version.empty()) {
    text::Format(buffer, u"Korvane Version:                    --- %s v%s ---", markerFile, version);
  } else {
    text::Copy(buffer, u"Korvane Version:                    --- Not Installed ---");
  }
  return std::u16string(buffer);
}

std::u16string DriverLine(std::u16string_view version) {
  char16_t buffer[kWorkBuffer] = {};
  if (!version.empty()) {
    text::Format(buffer, u"Driver Version:                                      --- v%s ---", version);
  } else {
    text::Copy(buffer, u"Driver Version:                                      --- Not Installed ---");
  }
  return std::u16string(buffer);
}

std::u16string WithDefault(std::u16string_view line, std::u16string_view fallback) {
  return std::u16string(text::Contains(line, u"N/A") ? fallback : line);
}

ControlTexts ExchangedTexts(ui::CDialog& page) {
  ControlTexts exchanged;
  page.ExchangeTexts([&exchanged](int id, const std::u16string& text) { exchanged.push_back(ControlText{id, text}); });
  ControlTexts result;
  const ui::DialogTemplate& t = page.Template();
  for (std::size_t i = 0; i < t.count; ++i) {
    if (t.controls[i].kind != ui::ControlKind::StaticText) continue;
    for (const ControlText& c : exchanged) {
      if (c.id == t.controls[i].id) result.push_back(c);
    }
  }
  return result;
}

}  // namespace pages
