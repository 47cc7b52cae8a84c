// The non-interactive commands both builds accept after their own options.
#pragma once

#include <string>
#include <vector>

namespace app {

// Runs the command named by `args` (e.g. {"--pages"}); returns the exit status.
// Standard output is UTF-8.
int RunCommand(const std::vector<std::string>& args);

}  // namespace app
