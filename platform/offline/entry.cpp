// Placeholder until the Linux entry point lands.
#include <string>
#include <vector>
#include "app/command.h"
int main(int argc, char** argv) { return app::RunCommand(std::vector<std::string>(argv + 1, argv + argc)); }
