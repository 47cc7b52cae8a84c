// The terminal while the interactive screens run on it (curses). Whoever hands
// the terminal to another program (the pager) suspends the session first and
// resumes it afterwards; outside a session both do nothing.
#pragma once

#include <memory>
#include <string>

#include "platform/offline/term/ui_display.h"

namespace terminal {

// Takes over the terminal on standard input and output. Null, with the reason
// in *error, when there is no usable terminal. Destroying the result gives the
// terminal back as it was; so do SIGINT, SIGTERM and SIGHUP, which then end the
// program with 128 + the signal number.
std::unique_ptr<ui::term::Display> StartSession(std::string* error);

void Suspend();  // the terminal as the shell had it, for another program
void Resume();   // back to the screens; everything is drawn anew

}  // namespace terminal
