// Writes the offline systems made to cost time or memory (INF files and
// drivers), one per folder below OUT, each a system drive with a real OEM
// INF copy beside the hostile ones, so that a run's report must still list it:
//   bench_make_hostile OUT [NAME...]
// NAME: sections4000, sections8000, worst, fields, longline, sparse200,
// bigdriver, inf100k (all without a NAME). bench/hostile.sh times them.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "tools/lib/pe_builder.h"

namespace {

namespace fs = std::filesystem;

const char kHeader[] = "[Version]\r\nSignature=\"$Windows NT$\"\r\nCatalogFile=elxstor.cat\r\n";

void Write(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// A file of `size` bytes, `head` then a hole.
bool Holed(const fs::path& path, const std::vector<std::uint8_t>& head, off_t size) {
  fs::create_directories(path.parent_path());
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return false;
  const bool ok = write(fd, head.data(), head.size()) == static_cast<ssize_t>(head.size()) && ftruncate(fd, size) == 0;
  close(fd);
  return ok;
}

std::string Repeat(const std::string& s, std::size_t n) {
  std::string out;
  out.reserve(s.size() * n);
  for (std::size_t i = 0; i < n; ++i) out += s;
  return out;
}

// `sections` sections, each with a line whose key names a string, as many
// such lines in [Version] before its CatalogFile line, and [Strings] last:
// finding CatalogFile substitutes every key before it.
std::string ManySections(int sections) {
  std::string version = "[Version]\r\nSignature=\"$Windows NT$\"\r\n", rest, strings = "[Strings]\r\n";
  for (int i = 0; i < sections; ++i) {
    const std::string n = std::to_string(i);
    version += "%s" + n + "%=x\r\n";
    rest += "[Section" + n + "]\r\n%s" + n + "%=" + n + "\r\n";
    strings += "s" + n + "=\"value " + n + "\"\r\n";
  }
  return version + "CatalogFile=elxstor.cat\r\n" + rest + strings;
}

// Every look-up made long: the keys of [Version] all to be substituted
// before CatalogFile is found, 20,000 strings, 20,000 more sections, and the
// section asked for by the install searches in every case again.
std::string Worst() {
  std::string version = "[Version]\r\nSignature=\"$Windows NT$\"\r\n", rest, strings = "[Strings]\r\n";
  for (int i = 0; i < 20000; ++i) {
    version += "%k" + std::to_string(i) + "%=x\r\n";
    strings += "k" + std::to_string(i) + "=key" + std::to_string(i) + "\r\n";
    rest +=
        (i % 2 ? "[tevoccl_inst]\r\n" : "[TEVOCCL_INST]\r\n") + std::string("AddReg=%k") + std::to_string(i) + "%\r\n";
  }
  return version + "CatalogFile=elxstor.cat\r\n" + rest + strings;
}

using Maker = std::function<bool(const fs::path& root)>;

struct Case {
  const char* name;
  Maker make;
};

fs::path Inf(const fs::path& root) { return root / "WINDOWS" / "inf"; }

const Case kCases[] = {
    {"sections4000",
     [](const fs::path& root) {
       Write(Inf(root) / "oem2.inf", ManySections(4000));
       return true;
     }},
    {"sections8000",
     [](const fs::path& root) {
       Write(Inf(root) / "oem2.inf", ManySections(8000));
       return true;
     }},
    {"worst",
     [](const fs::path& root) {
       Write(Inf(root) / "oem2.inf", Worst());
       return true;
     }},
    {"fields",
     [](const fs::path& root) {
       const std::string field = Repeat("%a%", 300);
       Write(Inf(root) / "oem2.inf", std::string(kHeader) + "[TEVOCCL_INST]\r\nAddReg=" + Repeat(field + ",", 1999) +
                                         field + "\r\n[Strings]\r\na=\"" + std::string(64, 'a') + "\"\r\n");
       return true;
     }},
    {"longline",
     [](const fs::path& root) {
       Write(Inf(root) / "oem2.inf", std::string(kHeader) + "[TEVOCCL_INST]\r\nAddReg=" + std::string(10u << 20, 'x'));
       return true;
     }},
    {"sparse200",
     [](const fs::path& root) {
       for (int i = 100; i < 300; ++i) {
         if (!Holed(Inf(root) / ("oem" + std::to_string(i) + ".inf"), {}, off_t{16} << 20)) return false;
       }
       return true;
     }},
    {"bigdriver",
     [](const fs::path& root) {
       const fs::path drivers = root / "WINDOWS" / "system32" / "drivers";
       return Holed(drivers / "ELXSTOR.sys", tools::BuildVersionedPe(tools::FileVersion(7, 1, 12, 0)),
                    off_t{255} << 20);
     }},
    {"inf100k",
     [](const fs::path& root) {
       // Names of a few empty files (a file takes some 65,000), quick to make.
       fs::path first;
       for (int i = 1000; i < 101000; ++i) {
         const fs::path name = Inf(root) / ("oem" + std::to_string(i) + ".inf");
         if (i % 50000 == 1000 % 50000 || first.empty()) {
           first = name;
           Write(first, "");
         } else {
           fs::create_hard_link(first, name);
         }
       }
       return true;
     }},
};

bool Make(const fs::path& out, const Case& c) {
  const fs::path root = out / c.name / "image";
  std::error_code ignored;
  fs::remove_all(out / c.name, ignored);
  fs::create_directories(root / "WINDOWS" / "system32" / "drivers");
  // The real copy the report must list, under the driver it belongs to.
  Write(Inf(root) / "oem1.inf", kHeader);
  const std::vector<std::uint8_t> driver = tools::BuildVersionedPe(tools::FileVersion(7, 1, 12, 0));
  Write(root / "WINDOWS" / "system32" / "drivers" / "ELXSTOR.sys", std::string(driver.begin(), driver.end()));
  if (!c.make(root)) return false;
  Write(out / c.name / "listed-infs.txt", "oem1.inf\n");
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_make_hostile OUT [NAME...]\n");
    return 2;
  }
  const fs::path out = argv[1];
  int made = 0;
  for (const Case& c : kCases) {
    bool wanted = argc == 2;
    for (int i = 2; i < argc; ++i) wanted = wanted || std::string(argv[i]) == c.name;
    if (!wanted) continue;
    if (!Make(out, c)) {
      std::fprintf(stderr, "bench_make_hostile: cannot make %s\n", c.name);
      return 1;
    }
    std::printf("%s\n", (out / c.name / "image").c_str());
    ++made;
  }
  return made ? 0 : 2;
}
