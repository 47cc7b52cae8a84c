// Offline scenario: a fresh temporary folder is the system drive; the registry
// is collected and written as hives or a .reg export when Apply() is called.
#include "tests/support/scenario.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "platform/offline/winapi/machine.h"
#include "platform/text.h"
#include "tools/lib/registry_content.h"

namespace testing_support {
namespace fs = std::filesystem;

namespace {
std::string Utf8(const std::u16string& s) { return text::ToUtf8(s); }
}  // namespace

struct Scenario::Impl {
  RegistrySource source;
  fs::path root;
  tools::RegistryContent registry;

  // C:\A\B -> root/A/B (components kept in the case given).
  fs::path Host(const std::u16string& windowsPath) const {
    std::string p = Utf8(windowsPath);
    if (p.size() >= 2 && p[1] == ':') p = p.substr(2);
    fs::path out = root;
    std::string part;
    for (char c : p + "\\") {
      if (c == '\\' || c == '/') {
        if (!part.empty()) out /= part;
        part.clear();
      } else {
        part += c;
      }
    }
    return out;
  }
};

Scenario::Scenario(RegistrySource source) : impl_(new Impl) {
  impl_->source = source;
  std::string tmpl = (fs::temp_directory_path() / "quillon-scenario-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) throw std::runtime_error("cannot create scenario folder");
  impl_->root = tmpl;
  fs::create_directories(impl_->root / "WINDOWS" / "system32" / "Drivers");
  fs::create_directories(impl_->root / "WINDOWS" / "system32" / "config");
}

Scenario::~Scenario() {
  std::error_code ec;
  fs::remove_all(impl_->root, ec);
  delete impl_;
}

bool Scenario::IsWine() { return false; }

std::u16string Scenario::SystemDir() const { return u"C:\\WINDOWS\\system32"; }
std::u16string Scenario::DriversDir() const { return SystemDir() + u"\\Drivers\\"; }
std::u16string Scenario::WindowsDir() const { return u"C:\\WINDOWS"; }
std::u16string Scenario::MarkerDir() const { return u"C:\\Halvorn\\Version\\"; }

void Scenario::WriteFile(const std::u16string& path, const std::vector<std::uint8_t>& bytes) {
  fs::path host = impl_->Host(path);
  fs::create_directories(host.parent_path());
  std::ofstream out(host, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + host.string());
}

void Scenario::WriteText(const std::u16string& path, const std::string& bytes) {
  WriteFile(path, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

void Scenario::WritePe(const std::u16string& path, const tools::VersionSpec& versionSpec) {
  WriteFile(path, tools::BuildVersionedPe(versionSpec));
}

void Scenario::MakeDir(const std::u16string& path) { fs::create_directories(impl_->Host(path)); }

void Scenario::Remove(const std::u16string& path) {
  std::error_code ec;
  fs::remove(impl_->Host(path), ec);
}

bool Scenario::Exists(const std::u16string& path) const {
  std::error_code ec;
  return fs::exists(impl_->Host(path), ec);
}

std::vector<std::uint8_t> Scenario::ReadFile(const std::u16string& path) const {
  std::ifstream in(impl_->Host(path), std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Scenario::CreateKey(const std::u16string& key) { impl_->registry.CreateKey(key); }
void Scenario::SetString(const std::u16string& key, const std::u16string& name, const std::u16string& value,
                         std::uint32_t type) {
  impl_->registry.SetString(key, name, value, type);
}
void Scenario::SetDword(const std::u16string& key, const std::u16string& name, std::uint32_t value) {
  impl_->registry.SetDword(key, name, value);
}
void Scenario::SetRaw(const std::u16string& key, const std::u16string& name, std::uint32_t type,
                      const std::vector<std::uint8_t>& data) {
  tools::RegValue value;
  value.type = type;
  value.data = data;
  impl_->registry.SetValue(key, name, value);
}
void Scenario::DeleteKey(const std::u16string& key) { impl_->registry.DeleteKey(key); }

bool Scenario::CanSetOsVersion() const { return true; }
void Scenario::SetOsVersion(unsigned major, unsigned minor) {
  std::string v = std::to_string(major) + "." + std::to_string(minor);
  SetString(u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", u"CurrentVersion", std::u16string(v.begin(), v.end()));
}

void Scenario::Apply() {
  offline::MachineOptions options;
  options.root = impl_->root.string();
  std::string error;
  if (impl_->source == RegistrySource::Hives) {
    fs::path config = impl_->root / "WINDOWS" / "system32" / "config";
    if (!tools::WriteHives(impl_->registry, std::string(QUILLON_SOURCE_DIR) + "/tests/fixtures/minimal.hive",
                           (config / "SYSTEM").string(), (config / "SOFTWARE").string(), 1, &error)) {
      throw std::runtime_error("cannot write hives: " + error);
    }
  } else {
    std::vector<std::uint8_t> text =
        tools::WriteRegExport(impl_->registry, impl_->source == RegistrySource::RegExportUnicode);
    fs::path reg = impl_->root / "scenario.reg";
    std::ofstream out(reg, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(text.data()), static_cast<std::streamsize>(text.size()));
    out.close();
    options.regFiles.push_back(reg.string());
  }
  if (!offline::ConfigureMachine(options, &error)) throw std::runtime_error("cannot configure machine: " + error);
}

std::string Scenario::HostRoot() const { return impl_->root.string(); }

}  // namespace testing_support
