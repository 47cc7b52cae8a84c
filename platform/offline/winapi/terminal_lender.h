// The terminal, as the shell borrows it for a pager. Whoever holds the
// terminal (the interactive screens) registers how to give it up and take it
// back; with nothing registered both do nothing.
#pragma once

namespace offline {

struct TerminalLender {
  void (*suspend)() = nullptr;  // the terminal as the shell had it, for another program
  void (*resume)() = nullptr;   // back to the screens
};

void SetTerminalLender(TerminalLender lender);
const TerminalLender& CurrentTerminalLender();

}  // namespace offline
