// Placeholder until the commands land.
#include "app/command.h"
namespace app {
int RunCommand(const std::vector<std::string>&) { return 0; }
}  // namespace app
