#include "bench/gen/image_writer.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>

#include "bench/gen/inf_text.h"
#include "platform/text.h"
#include "tools/lib/pe_builder.h"

namespace bench {
namespace {

// A per-file generator: a file's bytes depend on the seed and its name only.
Rng FileRng(const ServerOptions& options, const std::string& name) {
  std::uint64_t h = 1469598103934665603ull;
  for (char c : name) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  return Rng(options.seed ^ h);
}

bool MakeDirs(const std::string& path) {
  for (std::size_t i = 1; i <= path.size(); ++i) {
    if (i != path.size() && path[i] != '/') continue;
    const std::string part = path.substr(0, i);
    if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
  }
  return true;
}

std::string BaseName(const std::string& windowsPath) { return windowsPath.substr(windowsPath.rfind('\\') + 1); }

std::vector<std::uint8_t> PeBytes(const PeFile& file, Rng& rng) {
  tools::VersionSpec wanted;
  std::copy(file.version, file.version + 4, wanted.fileVersion);
  std::copy(file.version, file.version + 4, wanted.productVersion);
  wanted.pe64 = file.pe64;
  const std::string name = BaseName(file.windowsPath);
  wanted.strings = {{u"CompanyName", u"Vexa Halvorn"},
                    {u"FileDescription", text::FromUtf8(name.substr(0, name.find('.'))) + u" component"},
                    {u"InternalName", text::FromUtf8(name)},
                    {u"OriginalFilename", text::FromUtf8(name)},
                    {u"LegalCopyright", u"Copyright \u00A9 2006"}};
  std::vector<std::uint8_t> bytes = tools::BuildVersionedPe(wanted);
  // The rest of the file's real size as an overlay after the image, where
  // signed files keep their certificates.
  if (bytes.size() < file.bytes) rng.Fill(bytes, file.bytes - bytes.size());
  return bytes;
}

// One INF and, when asked, its .PNF; false on a write failure.
bool WriteInf(const std::string& folder, const std::string& name, const InfPackage& package, Rng& rng, bool pnf,
              int* count) {
  const std::vector<std::uint8_t> bytes = EncodeInf(InfText(package, rng), package.unicode);
  if (!WriteHostFile(folder + "/" + name, bytes)) return false;
  ++*count;
  if (!pnf) return true;
  ++*count;
  return WriteHostFile(folder + "/" + name.substr(0, name.size() - 4) + ".PNF", PnfBytes(rng, bytes.size()));
}

bool WriteInfFolder(const ServerPlan& plan, const ServerOptions& options, const std::string& root, WrittenImage* out) {
  const std::string folder = HostPath(root, "C:\\WINDOWS\\inf");
  for (const OemInf& inf : plan.oem) {
    Rng rng = FileRng(options, inf.fileName);
    if (!WriteInf(folder, inf.fileName, inf.package, rng, options.pnf, &out->infFolderFiles)) return false;
    if (inf.searched) out->neededFiles.push_back(folder + "/" + inf.fileName);
  }
  for (const std::string& name : plan.inboxInfs) {
    Rng rng = FileRng(options, name);
    InfPackage package = RandomPackage(rng, name.substr(0, name.size() - 4));
    package.provider = "Microsoft";
    package.providerKey = "MSFT";
    if (!WriteInf(folder, name, package, rng, options.pnf, &out->infFolderFiles)) return false;
  }
  return true;
}

}  // namespace

std::string HostPath(const std::string& root, const std::string& windowsPath) {
  std::string rel = windowsPath.size() >= 2 && windowsPath[1] == ':' ? windowsPath.substr(2) : windowsPath;
  std::string out = root;
  for (char c : rel) out += (c == '\\') ? '/' : c;
  return out;
}

bool WriteHostFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  if (!MakeDirs(path.substr(0, path.rfind('/')))) return false;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

bool WriteImage(const ServerPlan& plan, const ServerOptions& options, const std::string& root, WrittenImage* out,
                std::string* error) {
  for (const char* folder : {"C:\\WINDOWS\\system32\\config", "C:\\Documents and Settings\\Administrator",
                             "C:\\Program Files\\Common Files", "C:\\Halvorn\\Version"}) {
    if (!MakeDirs(HostPath(root, folder))) {
      *error = "cannot create " + HostPath(root, folder);
      return false;
    }
  }
  if (!WriteInfFolder(plan, options, root, out)) {
    *error = "cannot write the INF files below " + HostPath(root, "C:\\WINDOWS\\inf");
    return false;
  }
  for (const PeFile& file : plan.peFiles) {
    Rng rng = FileRng(options, file.windowsPath);
    const std::string path = HostPath(root, file.windowsPath);
    if (!WriteHostFile(path, PeBytes(file, rng))) {
      *error = "cannot write " + path;
      return false;
    }
    if (file.needed) out->neededFiles.push_back(path);
  }
  for (const std::string& file : plan.fillerFiles) {
    Rng rng = FileRng(options, file);
    std::vector<std::uint8_t> bytes = {'M', 'Z'};
    rng.Fill(bytes, static_cast<std::size_t>(rng.Between(512, 4096)));
    if (!WriteHostFile(HostPath(root, file), bytes)) {
      *error = "cannot write " + HostPath(root, file);
      return false;
    }
  }
  return true;
}

}  // namespace bench
