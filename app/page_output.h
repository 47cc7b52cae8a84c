// The sheet's pages as plain text (--pages) and as JSON (--json), UTF-8.
#pragma once

#include <string>
#include <vector>

#include "app/startup.h"

namespace app {

// For each page: "[caption]", one line per text control in template order
// (its text exactly), then an empty line. Lines end in "\n".
std::string PagesAsText(const std::vector<SheetPage>& pages);

// {"pages":[{"template":130,"caption":"...","controls":[{"id":1000,"text":"..."},...]},...]}
std::string PagesAsJson(const std::vector<SheetPage>& pages);

// A JSON string literal for `s` (quotes included); control characters escaped.
std::string JsonString(const std::u16string& s);

}  // namespace app
