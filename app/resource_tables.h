// Every dialog template and string of the program, in resource id order: what
// the resource script is written from.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/dialog_template.h"

namespace app {

std::vector<const ui::DialogTemplate*> AllDialogTemplates();

}  // namespace app
