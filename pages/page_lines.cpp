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

}  // namespace pages

#include "pages/page_templates.h"

namespace pages {

ControlTexts TemplateTexts(int templateId, std::initializer_list<const std::u16string*> texts) {
  ControlTexts result;
  const PageTemplate* t = FindPageTemplate(templateId);
  if (t == nullptr) return result;
  auto next = texts.begin();
  for (std::size_t i = 0; i < t->count && next != texts.end(); ++i) {
    if (t->controls[i].kind != ControlKind::StaticText) continue;
    result.push_back(ControlText{t->controls[i].id, **next});
    ++next;
  }
  return result;
}

std::u16string TemplateCaption(int templateId) {
  const PageTemplate* t = FindPageTemplate(templateId);
  return t != nullptr ? std::u16string(t->caption) : std::u16string();
}

}  // namespace pages
