// The non-interactive commands both builds accept after their own options.
#pragma once

#include <string>
#include <vector>

namespace app {

// Runs the command named by `args` (e.g. {"--pages"}); returns the exit status.
// Standard output is UTF-8.
int RunCommand(const std::vector<std::string>& args);

// Writes `s` to standard output and flushes it: 0, or 1 with a message on
// standard error when standard output cannot take it.
int PrintToStdout(const std::string& s);

}  // namespace app
