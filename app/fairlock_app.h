// The application object: runs the main dialog once and ends.
#pragma once

#include "platform/ui.h"

class CFairlockApp : public ui::CWinApp {
 public:
  bool InitInstance() override;
};

namespace app {

// Runs the program's one interactive pass; the process's exit status.
int RunInteractive();

}  // namespace app
