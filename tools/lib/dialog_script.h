// Writes the resource script of the dialog templates and the string table, so
// that the Windows resources are made from the very tables the terminal UI
// reads.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/dialog_template.h"

namespace tools {

// The script text (UTF-8, "\n" line ends): the templates in the given order,
// then the string table.
std::string DialogScript(const std::vector<const ui::DialogTemplate*>& templates, const ui::StringResource* strings,
                         std::size_t stringCount);

}  // namespace tools
