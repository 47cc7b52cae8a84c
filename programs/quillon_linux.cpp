// The Linux program: reads an offline Windows system drive (--root, or in a
// disk image with --image) and runs one of the commands on it.
#include <getopt.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/command.h"
#include "app/fairlock_app.h"
#include "platform/offline/term/terminal_session.h"
#include "platform/offline/winapi/image_drive.h"
#include "platform/offline/winapi/machine.h"
#include "platform/offline/winapi/terminal_lender.h"
#include "platform/text.h"
#include "quillon_version.h"

namespace {

// The program file's version, as its Windows build carries it.
constexpr const char* kVersion = "quillon " QUILLON_VERSION "\n";

constexpr const char* kUsage =
    "Usage: quillon --root DIR [--system-directory TEXT] [--reg FILE]... [--output DIR] [COMMAND]\n"
    "       quillon --image FILE [--partition N] --output DIR [--system-directory TEXT] [--reg FILE]...\n"
    "               [COMMAND]\n"
    "       quillon --image FILE --list-volumes\n"
    "       quillon read-report FILE [--json]\n"
    "       quillon diff A B [--json]\n"
    "\n"
    "Shows the Fibre Channel adapter drivers, version markers and driver parameters of an\n"
    "offline Windows system (a mounted system drive, a copied tree, or a disk image).\n"
    "\n"
    "Machine:\n"
    "  --root DIR               the system drive (C:) of the Windows system\n"
    "  --image FILE             instead of --root: a disk image (raw or dd, split raw .001,\n"
    "                           VHD, VHDX, VMDK, E01) or a block device holding it, read\n"
    "                           only (MBR or GPT; NTFS); needs --output\n"
    "  --partition N            the image's volume N (see --list-volumes); by default the\n"
    "                           one holding WINDOWS\\system32 or WINNT\\system32\n"
    "  --system-directory TEXT  its system directory, e.g. C:\\WINDOWS\\system32\n"
    "                           (default: found from the folders on disk)\n"
    "  --reg FILE               read the registry from this .reg export instead of the\n"
    "                           image's hive files (may be given several times)\n"
    "  --output DIR             write the trace file and the report below DIR instead\n"
    "                           of into the image (a report only the image has is\n"
    "                           copied there first when appending, up to 64 MiB)\n"
    "\n"
    "Without a command, on a terminal: the \"Driver Information\" sheet with a tab for\n"
    "each page (Left/Right to switch, Enter or Esc to close), then the question whether\n"
    "to write SysInfo.log, which is then shown with $PAGER (default: less). F2 on the\n"
    "question opens the About box. Without a terminal a command must be given.\n"
    "\n"
    "Commands:\n"
    "  --pages                  print the \"Driver Information\" sheet's pages\n"
    "  --json                   every fact found, with the pages, as JSON (described by\n"
    "                           model/machine.schema.json in the sources)\n"
    "  --versions               list the driver and version-marker file versions\n"
    "  --report [--overwrite|--append]\n"
    "                           write SysInfo.log: replace an earlier one (the default)\n"
    "                           or append to it; a failed write leaves it as it was\n"
    "  --list-volumes           list the image's volumes: index, offset, size, file\n"
    "                           system, label, Windows folder\n"
    "\n"
    "Reading reports back and comparing machines (no --root or --image):\n"
    "  read-report FILE [--json]\n"
    "                           the facts each report in a SysInfo.log states, oldest\n"
    "                           first; --json: as a JSON array\n"
    "  diff A B [--json]        what differs between two machines, each given as a JSON\n"
    "                           output, a SysInfo.log (its newest report) or a system\n"
    "                           drive folder; json:, report: or root: before the path\n"
    "                           says which\n"
    "\n"
    "  --help                   show this text\n"
    "  --version                show the program's version\n"
    "\n"
    "Writes never leave DIR or the image: a symbolic link or a file with a second\n"
    "name (a hard link) is not written through, and a FIFO or device is no file.\n"
    "\n"
    "Exit status:\n"
    "  0        success\n"
    "  1        the system cannot be read, the report cannot be written completely\n"
    "           (the message names the file, the step that failed and why), or\n"
    "           standard output cannot be written\n"
    "  2        a usage error: an unknown option, two commands, --overwrite with\n"
    "           --append, --root with --image, or --image without --output\n"
    "  128 + N  ended by signal N\n"
    "read-report: 0 when everything was read, 1 when a line or a report was skipped\n"
    "(each named on standard error), 2 when the file cannot be read.\n"
    "diff: 0 when the machines are equal, 1 when they differ, 2 on an error.\n";

// --help and --version: standard output that cannot take the text is a failure.
int PrintOut(const char* text) {
  if (std::fputs(text, stdout) >= 0 && std::fflush(stdout) == 0) return 0;
  std::fprintf(stderr, "quillon: cannot write to standard output: %s\n", std::strerror(errno));
  return 1;
}

// What is wrong with the choice of system drive (--root or --image and what
// goes with it); null when nothing is. `partition` is --partition's text.
const char* ImageUsage(offline::MachineOptions& options, const char* partition,
                       const std::vector<std::string>& command) {
  const bool listing = std::find(command.begin(), command.end(), "--list-volumes") != command.end();
  if (!options.root.empty() && !options.image.empty()) return "--root and --image exclude each other";
  if (options.root.empty() && options.image.empty()) return "--root DIR or --image FILE is required";
  if (options.image.empty() && (partition || listing)) return "--partition and --list-volumes go with --image";
  if (listing && command.size() > 1) return "--list-volumes is a command of its own";
  if (partition) {
    char* end = nullptr;
    errno = 0;
    const long n = std::strtol(partition, &end, 10);
    if (*partition == '\0' || *end != '\0' || errno != 0 || n < 1 || n > 1000)
      return "--partition takes a volume number (1, 2, ...)";
    options.partition = static_cast<int>(n);
  }
  if (!options.image.empty() && !listing && options.output.empty())
    return "--image needs --output DIR: an image is only read, never written";
  return nullptr;
}

// --list-volumes: what the image holds.
int ListVolumes(const std::string& image) {
  std::string table;
  std::string error;
  if (!offline::ListVolumes(image, &table, &error)) {
    std::fprintf(stderr, "quillon: %s\n", error.c_str());
    return 1;
  }
  return PrintOut(table.c_str());
}

// What the command line asks for.
struct Arguments {
  offline::MachineOptions options;
  std::vector<std::string> command;  // the command options in their order, as the core takes them
  const char* partition = nullptr;   // --partition's text
};

// Reads the options into `args`: -1 to go on, else the exit status.
int ReadArguments(int argc, char** argv, Arguments* args) {
  enum { kRoot = 1000, kImage, kPartition, kSystemDirectory, kReg, kOutput, kHelp, kVersionOption, kCommand };
  static const option longOptions[] = {
      {"root", required_argument, nullptr, kRoot},
      {"image", required_argument, nullptr, kImage},
      {"partition", required_argument, nullptr, kPartition},
      {"system-directory", required_argument, nullptr, kSystemDirectory},
      {"reg", required_argument, nullptr, kReg},
      {"output", required_argument, nullptr, kOutput},
      {"help", no_argument, nullptr, kHelp},
      {"version", no_argument, nullptr, kVersionOption},
      {"list-volumes", no_argument, nullptr, kCommand},
      {"pages", no_argument, nullptr, kCommand},
      {"json", no_argument, nullptr, kCommand},
      {"versions", no_argument, nullptr, kCommand},
      {"report", no_argument, nullptr, kCommand},
      {"overwrite", no_argument, nullptr, kCommand},
      {"append", no_argument, nullptr, kCommand},
      {nullptr, 0, nullptr, 0},
  };
  opterr = 0;
  int c, index = 0;
  while ((c = getopt_long(argc, argv, "", longOptions, &index)) != -1) {
    switch (c) {
      case kRoot:
        args->options.root = optarg;
        break;
      case kImage:
        args->options.image = optarg;
        break;
      case kPartition:
        args->partition = optarg;
        break;
      case kSystemDirectory:
        args->options.systemDirectory = text::FromUtf8(optarg);
        break;
      case kReg:
        args->options.regFiles.push_back(optarg);
        break;
      case kOutput:
        args->options.output = optarg;
        break;
      case kHelp:
        return PrintOut(kUsage);
      case kVersionOption:
        return PrintOut(kVersion);
      case kCommand:
        args->command.push_back(std::string("--") + longOptions[index].name);
        break;
      default:
        std::fprintf(stderr, "quillon: unknown or incomplete option '%s'\n%s", argv[optind - 1], kUsage);
        return 2;
    }
  }
  if (optind < argc) {
    std::fprintf(stderr, "quillon: unexpected argument '%s'\n%s", argv[optind], kUsage);
    return 2;
  }
  return -1;
}

// Sets the machine up from the options; false, with a message, when it cannot be read.
bool SetUpMachine(const offline::MachineOptions& options) {
  for (const std::string& file : options.regFiles) {
    struct stat st;
    if (stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
      std::fprintf(stderr, "quillon: cannot read the registry export '%s'\n", file.c_str());
      return false;
    }
  }
  std::string error;
  if (!offline::ConfigureMachine(options, &error)) {
    std::fprintf(stderr, "quillon: %s\n", error.c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  // The commands on facts name their own files and systems.
  if (argc > 1 && (std::strcmp(argv[1], "read-report") == 0 || std::strcmp(argv[1], "diff") == 0)) {
    return app::RunCommand(std::vector<std::string>(argv + 1, argv + argc));
  }
  Arguments args;
  if (const int status = ReadArguments(argc, argv, &args); status >= 0) return status;
  const std::vector<std::string>& command = args.command;
  if (const char* wrong = ImageUsage(args.options, args.partition, command)) {
    std::fprintf(stderr, "quillon: %s\n%s", wrong, kUsage);
    return 2;
  }
  if (!command.empty() && command[0] == "--list-volumes") return ListVolumes(args.options.image);
  const bool interactive = command.empty();
  if (interactive && !(isatty(STDIN_FILENO) && isatty(STDOUT_FILENO))) {
    std::fputs(
        "quillon: no command given, and the interactive screens need a terminal on standard input and output;\n"
        "quillon: use --pages (the pages as text), --report (write SysInfo.log) or --json (the facts as JSON)\n",
        stderr);
    return 2;
  }
  if (!SetUpMachine(args.options)) return 1;
  int status = 0;
  if (interactive) {
    // The report's pager borrows the terminal from the screens.
    offline::SetTerminalLender({terminal::Suspend, terminal::Resume});
    status = app::RunInteractive();
  } else {
    status = app::RunCommand(command);
  }
  for (const std::string& warning : offline::DriveWarnings())
    std::fprintf(stderr, "quillon: warning: %s\n", warning.c_str());
  return status;
}
