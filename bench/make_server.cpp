// Generates a large, realistic offline Windows server for the benchmark:
//   bench_make_server [options] OUT_DIR
// OUT_DIR/image is the system drive; beside it the registry export, the lists
// of files a run reads (the read-once yardstick) and the INF names the report
// must list. See bench/README.md.
#include <getopt.h>
#include <sys/stat.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "bench/gen/compact_hive.h"
#include "bench/gen/image_writer.h"
#include "bench/gen/server_plan.h"
#include "bench/gen/server_registry.h"
#include "tools/lib/registry_content.h"

namespace {

constexpr const char* kUsage =
    "Usage: bench_make_server [options] OUT_DIR\n"
    "\n"
    "Writes a large offline Windows Server 2003 system for the benchmark:\n"
    "  OUT_DIR/image/           the system drive (--root), with hive files\n"
    "  OUT_DIR/registry.reg     the same registry as a .reg export (--reg)\n"
    "  OUT_DIR/needed-hives.list, needed-reg.list\n"
    "                           every file a full run reads, one host path a line\n"
    "  OUT_DIR/listed-infs.txt  the OEM INF names the report must list\n"
    "\n"
    "Options:\n"
    "  --oem-infs N          OEM INF copies in the inf folder (default 1000)\n"
    "  --short-share F       share of them named oem0.inf ... oem999.inf, which the\n"
    "                        searches open (0 to 1, default 1; at most 1000 names)\n"
    "  --inbox-infs N        the system's own INF files (default 800)\n"
    "  --no-pnf              no .PNF file beside each INF\n"
    "  --services N          services in the registry (default 1500)\n"
    "  --system32-files N    other files in system32 and its drivers folder (default 2000)\n"
    "  --seed N              (default 13)\n"
    "  --wine-reg FILE       also write the registry for importing into a Wine prefix\n"
    "  --help\n";

bool WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  return static_cast<bool>(out);
}

bool WriteLines(const std::string& path, const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return WriteText(path, text);
}

std::uint64_t Bytes(const std::vector<std::string>& files) {
  std::uint64_t total = 0;
  struct stat st;
  for (const std::string& f : files)
    if (stat(f.c_str(), &st) == 0) total += static_cast<std::uint64_t>(st.st_size);
  return total;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "bench_make_server: %s\n", message.c_str());
  return 1;
}

struct Arguments {
  bench::ServerOptions options;
  std::string out, wineReg;
};

// 0 to go on, else the exit status.
int ParseArguments(int argc, char** argv, Arguments* a) {
  enum { kOem = 1000, kShare, kInbox, kNoPnf, kServices, kSystem32, kSeed, kWineReg, kHelp };
  static const option longOptions[] = {{"oem-infs", required_argument, nullptr, kOem},
                                       {"short-share", required_argument, nullptr, kShare},
                                       {"inbox-infs", required_argument, nullptr, kInbox},
                                       {"no-pnf", no_argument, nullptr, kNoPnf},
                                       {"services", required_argument, nullptr, kServices},
                                       {"system32-files", required_argument, nullptr, kSystem32},
                                       {"seed", required_argument, nullptr, kSeed},
                                       {"wine-reg", required_argument, nullptr, kWineReg},
                                       {"help", no_argument, nullptr, kHelp},
                                       {nullptr, 0, nullptr, 0}};
  auto count = [](const char* s, int* out) {
    char* end = nullptr;
    const long v = std::strtol(s, &end, 10);
    if (*s == 0 || *end != 0 || v < 0 || v > 1000000) return false;
    *out = static_cast<int>(v);
    return true;
  };
  int c;
  bool ok = true;
  while (ok && (c = getopt_long(argc, argv, "", longOptions, nullptr)) != -1) {
    switch (c) {
      case kOem:
        ok = count(optarg, &a->options.oemInfs);
        break;
      case kShare: {
        char* end = nullptr;
        a->options.shortShare = std::strtod(optarg, &end);
        ok = *end == 0 && a->options.shortShare >= 0 && a->options.shortShare <= 1;
        break;
      }
      case kInbox:
        ok = count(optarg, &a->options.inboxInfs);
        break;
      case kNoPnf:
        a->options.pnf = false;
        break;
      case kServices:
        ok = count(optarg, &a->options.services);
        break;
      case kSystem32:
        ok = count(optarg, &a->options.system32Files);
        break;
      case kSeed:
        a->options.seed = std::strtoull(optarg, nullptr, 10);
        break;
      case kWineReg:
        a->wineReg = optarg;
        break;
      case kHelp:
        std::fputs(kUsage, stdout);
        return -1;
      default:
        ok = false;
    }
  }
  if (!ok || optind + 1 != argc) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  a->out = argv[optind];
  return 0;
}

bool WriteRegistry(const bench::ServerPlan& plan, const Arguments& a, const std::string& root, std::string* error) {
  tools::RegistryContent registry;
  bench::FillRegistry(plan, a.options, bench::RegistryFor::Image, &registry);
  const std::string config = bench::HostPath(root, "C:\\WINDOWS\\system32\\config");
  if (!bench::WriteCompactHives(registry, 1, config + "/SYSTEM", config + "/SOFTWARE", error)) return false;
  if (!bench::WriteHostFile(a.out + "/registry.reg", tools::WriteRegExport(registry, true, 1))) {
    *error = "cannot write " + a.out + "/registry.reg";
    return false;
  }
  if (a.wineReg.empty()) return true;
  tools::RegistryContent wine;
  bench::FillRegistry(plan, a.options, bench::RegistryFor::Wine, &wine);
  if (!bench::WriteHostFile(a.wineReg, tools::WriteRegExport(wine, true, 0))) {
    *error = "cannot write " + a.wineReg;
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Arguments a;
  if (int status = ParseArguments(argc, argv, &a)) return status < 0 ? 0 : status;
  mkdir(a.out.c_str(), 0755);
  char real[PATH_MAX];
  if (!realpath(a.out.c_str(), real)) return Fail("cannot create " + a.out);
  a.out = real;
  const std::string root = a.out + "/image";
  struct stat st;
  if (stat(root.c_str(), &st) == 0) return Fail(root + " exists; remove it first");

  const bench::ServerPlan plan = bench::MakePlan(a.options);
  bench::WrittenImage image;
  std::string error;
  if (!bench::WriteImage(plan, a.options, root, &image, &error) || !WriteRegistry(plan, a, root, &error))
    return Fail(error);

  const std::string config = root + "/WINDOWS/system32/config/";
  std::vector<std::string> hives = image.neededFiles, reg = image.neededFiles;
  hives.push_back(config + "SYSTEM");
  hives.push_back(config + "SOFTWARE");
  reg.push_back(a.out + "/registry.reg");
  std::vector<std::string> listed;
  int searched = 0;
  for (const bench::OemInf& inf : plan.oem) {
    searched += inf.searched;
    if (inf.listed) listed.push_back(inf.fileName);
  }
  if (!WriteLines(a.out + "/needed-hives.list", hives) || !WriteLines(a.out + "/needed-reg.list", reg) ||
      !WriteLines(a.out + "/listed-infs.txt", listed))
    return Fail("cannot write the lists in " + a.out);
  std::printf("%s: %zu OEM INFs (%d searched), %zu inbox INFs, %d files in the inf folder, %zu services\n",
              a.out.c_str(), plan.oem.size(), searched, plan.inboxInfs.size(), image.infFolderFiles,
              plan.services.size() + bench::kToolServices);
  std::printf("  a run reads %zu files, %.1f MB with the hives, %.1f MB with the export\n", hives.size(),
              static_cast<double>(Bytes(hives)) / 1e6, static_cast<double>(Bytes(reg)) / 1e6);
  return 0;
}
