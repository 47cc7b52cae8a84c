// Dialog templates 102 (the main dialog with its question) and 100 (the About
// box), and the resource ids they use.
#pragma once

#include <cstddef>

#include "platform/dialog_template.h"

namespace app {

constexpr int kIdAboutBox = 100;       // dialog: About box
constexpr int kIdsAboutBox = 101;      // string: the system-menu entry
constexpr int kIdMainDialog = 102;     // dialog: main dialog
constexpr int kIdMainIcon = 128;       // icon
constexpr int kIdBannerBitmap = 131;   // bitmap: the main dialog's banner
constexpr unsigned kIdmAboutBox = 16;  // system-menu command

const ui::DialogTemplate& MainDialogTemplate();
const ui::DialogTemplate& AboutDialogTemplate();

// The string table (the system-menu entry).
const ui::StringResource* StringTable(std::size_t* count);

}  // namespace app
