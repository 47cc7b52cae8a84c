// make_rc FILE: writes the dialog templates and the string table as a
// resource script. make_rc --check FILE: exits 1 when FILE differs from what
// it would write.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "app/dialog_templates.h"
#include "app/resource_tables.h"
#include "tools/lib/dialog_script.h"

int main(int argc, char** argv) {
  const bool check = argc == 3 && std::strcmp(argv[1], "--check") == 0;
  if (argc != 2 && !check) {
    std::fprintf(stderr, "usage: make_rc [--check] FILE\n");
    return 2;
  }
  const char* path = argv[argc - 1];
  std::size_t count = 0;
  const ui::StringResource* strings = app::StringTable(&count);
  const std::string script = tools::DialogScript(app::AllDialogTemplates(), strings, count);
  if (check) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream existing;
    existing << in.rdbuf();
    if (!in || existing.str() != script) {
      std::fprintf(stderr, "make_rc: %s is not what the template tables give; run make_rc %s\n", path, path);
      return 1;
    }
    return 0;
  }
  std::ofstream out(path, std::ios::binary);
  out << script;
  out.close();
  if (!out) {
    std::fprintf(stderr, "make_rc: cannot write %s\n", path);
    return 1;
  }
  return 0;
}
