// The sheet's pages as plain text (--pages), and the machine's facts with
// them as JSON (--json), UTF-8.
#pragma once

#include <string>
#include <vector>

#include "app/startup.h"

namespace app {

// For each page: "[caption]", one line per text control in template order
// (its text exactly), then an empty line. Lines end in "\n".
std::string PagesAsText(const std::vector<SheetPage>& pages);

// Probes the machine (model/collect.h) and gives its facts with `pages` as
// JSON (model/machine.schema.json).
std::string MachineAsJson(const std::vector<SheetPage>& pages);

}  // namespace app
