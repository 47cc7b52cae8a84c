#include "app/page_output.h"

#include <cstdio>

#include "platform/text.h"

namespace app {

std::string PagesAsText(const std::vector<SheetPage>& pages) {
  std::string out;
  for (const SheetPage& page : pages) {
    out += "[" + text::ToUtf8(page.caption) + "]\n";
    for (const pages::ControlText& control : page.texts) out += text::ToUtf8(control.text) + "\n";
    out += "\n";
  }
  return out;
}

std::string JsonString(const std::u16string& s) {
  const std::string utf8 = text::ToUtf8(s);
  std::string out = "\"";
  for (unsigned char c : utf8) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
          out += escaped;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

std::string PagesAsJson(const std::vector<SheetPage>& pages) {
  std::string out = "{\"pages\":[";
  for (std::size_t p = 0; p < pages.size(); ++p) {
    const SheetPage& page = pages[p];
    if (p > 0) out += ",";
    out += "{\"template\":" + std::to_string(page.templateId) + ",\"caption\":" + JsonString(page.caption) +
           ",\"controls\":[";
    for (std::size_t i = 0; i < page.texts.size(); ++i) {
      if (i > 0) out += ",";
      out += "{\"id\":" + std::to_string(page.texts[i].id) + ",\"text\":" + JsonString(page.texts[i].text) + "}";
    }
    out += "]}";
  }
  return out + "]}\n";
}

}  // namespace app
