// Writes the seed inputs of every fuzz target into OUT/<corpus>/: PE files
// from the fixture builder, hives and .reg exports from the registry fixture
// writers, INF texts, and Windows paths with listing patterns. tools/fuzz.sh
// runs it and merges what the campaigns add into fuzz/corpus/.
// With --bitflip, writes COPIES copies of each FILE into OUT instead, each
// with 1 to 8 bits flipped (the same copies every time).
// Usage: make_fuzz_seeds OUT TEMPLATE_HIVE
//        make_fuzz_seeds --bitflip OUT COPIES FILE...
#include <cstdio>
#include <cstdlib>
#include <random>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/codecs.h"
#include "tools/lib/pe_builder.h"
#include "tools/lib/registry_content.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

fs::path g_out;

void Write(const std::string& corpus, const std::string& name, const Bytes& bytes) {
  fs::create_directories(g_out / corpus);
  std::ofstream out(g_out / corpus / name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes Utf16(const std::u16string& s, bool bom) {
  Bytes out = bom ? Bytes{0xFF, 0xFE} : Bytes{};
  const Bytes units = codecs::EncodeUtf16Le(s);
  out.insert(out.end(), units.begin(), units.end());
  return out;
}

Bytes Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void PeSeeds() {
  tools::VersionSpec wanted = tools::FileVersion(7, 1, 12, 0);
  wanted.strings = {{u"CompanyName", u"Halvorn Storage"}, {u"InternalName", u"elxstor.sys"}};
  Write("pe_version", "pe32_0409.sys", tools::BuildVersionedPe(wanted));
  wanted.pe64 = true;
  Write("pe_version", "pe64_0409.sys", tools::BuildVersionedPe(wanted));
  wanted.pe64 = false;
  wanted.language = 0x0407;
  Write("pe_version", "pe32_0407.sys", tools::BuildVersionedPe(wanted));
  wanted.withVersionResource = false;
  Write("pe_version", "pe32_no_version.sys", tools::BuildVersionedPe(wanted));
}

// One registry, as exports (both encodings) and as hives.
tools::RegistryContent Registry() {
  tools::RegistryContent c;
  const std::u16string svc = u"SYSTEM\\CurrentControlSet\\Services\\elxstor";
  c.SetString(svc, u"ImagePath", u"system32\\drivers\\elxstor.sys", 2);
  c.SetDword(svc, u"Start", 0);
  c.SetValue(svc, u"Unterminated", tools::RegValue{1, {'a', 0, 'b', 0}});
  c.SetValue(svc, u"Blob", tools::RegValue{3, Bytes(40, 0x5A)});
  c.SetValue(svc, u"Odd type", tools::RegValue{0xFFFF0012, {1, 2, 3}});
  c.SetString(svc + u"\\Parameters\\Device", u"DriverParameter", u"NumFcpContext=512;MaximumSGList=33");
  c.SetString(svc + u"\\Parameters\\Device0", u"DriverParameter",
              u"\u00c4\u00d6\u00dc=\u043f\u0440\u0438\u0432\u0435\u0442");
  c.SetString(u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", u"CurrentVersion", u"5.2");
  c.SetString(u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", u"CSDVersion", u"Service Pack 2");
  c.SetString(u"SOFTWARE\\\u00c4mter\\\u041f\u0420\u0418\u0412\u0415\u0422", u"", u"default");
  return c;
}

void RegistrySeeds(const std::string& templateHive) {
  const tools::RegistryContent c = Registry();
  for (const char* corpus : {"reg_export", "reg_calls"}) {
    Write(corpus, "unicode_ccs.reg", tools::WriteRegExport(c, true));
    Write(corpus, "ansi_cs002.reg", tools::WriteRegExport(c, false, 2));
    Write(corpus, "deletions_broken.reg",
          Text("REGEDIT4\r\n[-HKEY_LOCAL_MACHINE\\SOFTWARE\\A]\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\A]\r\n"
               "\"m\"=hex(7):41,00,\\\r\n  00,00\r\n\"x\"=-\r\n@=\"d\\\"q\"\r\nbad line\r\n"));
    Write(corpus, "limits.reg",
          Utf16(u"Windows Registry Editor Version 5.00\r\n[HKLM\\SOFTWARE\\" + std::u16string(256, u'k') +
                    u"]\r\n[HKLM\\SOFTWARE\\a\\a\\a\\a\\a\\a\\a\\a]\r\n\"" + std::u16string(300, u'v') +
                    u"\"=dword:1\r\n\"e\"=hex(b):01,02\r\n[HKLM\\SOFTWARE\\a\\A\\\u00e4]\r\n\"\u00c4\"=\"x\"\r\n",
                true));
  }
  const fs::path dir = g_out / "hive-work";
  fs::create_directories(dir);
  std::string error;
  if (!tools::WriteHives(c, templateHive, (dir / "SYSTEM").string(), (dir / "SOFTWARE").string(), 3, &error)) {
    std::fprintf(stderr, "make_fuzz_seeds: %s\n", error.c_str());
    std::exit(1);
  }
  Write("hive", "minimal.hive", Read(templateHive));
  Write("hive", "system_cs003.hive", Read(dir / "SYSTEM"));
  Write("hive", "software_version.hive", Read(dir / "SOFTWARE"));
  fs::remove_all(dir);
}

void InfSeeds() {
  Write("inf", "plain.inf",
        Text("[Version]\r\nSignature=\"$Windows NT$\"\r\nCatalogFile=elxstor.cat ; c\r\nProvider=%P%\r\n"
             "[Strings]\r\nP=\"Halvorn\"\r\n"));
  Write("inf", "continuation.inf",
        Text("[TEVOCCL_Inst]\r\nAddReg=a,\\\r\n  \"b\"\"c\",%%\r\n[Version]\r\nsignature=$chicago$\r\n"
             "[version]\r\nX=1\x1aignored"));
  Write("inf", "utf16.inf", Utf16(u"[Version]\r\nSignature=\"$Windows NT$\"\r\nCatalogFile=ql2300.cat\r\n", true));
}

// A path, a NUL, a listing pattern; UTF-16LE.
void PathSeeds() {
  const std::u16string seeds[][2] = {
      {u"C:\\WINDOWS\\system32\\Drivers\\elxstor.sys", u"C:\\WINDOWS\\inf\\oem*.inf"},
      {u"c:\\windows\\SYSTEM32\\drivers\\QL2300.SYS", u"C:\\windows\\inf\\*.*"},
      {u"C:\\\u00e4MTER\\..\\Halvorn\\Version\\tavish.EXE", u"C:\\WINDOWS\\inf\\\u00c4*"},
      {u"C:\\\u0434\u043e\u043a\u0443\u043c\u0435\u043d\u0442\u044b", u"C:\\*"},
      {u"C:\\a\\b\\self\\self\\c\\deep.txt", u"C:\\a\\*.txt"},
      {u"C:\\a\\up\\etc\\passwd", u"C:\\out\\*"},
      {u"C:\\a\\loop\\x", u"C:\\a\\?o*"},
      {u"C:\\WINDOWS\\inf\\oem3.inf", u"C:\\a\\name.*.txt"},
      {u"D:\\WINDOWS", u"\\\\?\\C:\\WINDOWS\\*"},
  };
  int n = 0;
  for (const auto& seed : seeds)
    Write("path_map", "path" + std::to_string(n++), Utf16(seed[0] + u'\0' + seed[1], false));
}

int BitFlips(int argc, char** argv) {
  const fs::path out = argv[2];
  const int copies = std::atoi(argv[3]);
  fs::create_directories(out);
  std::mt19937 random(12);
  for (int f = 4; f < argc; ++f) {
    const Bytes original = Read(argv[f]);
    if (original.empty()) continue;
    for (int copy = 0; copy < copies; ++copy) {
      Bytes bytes = original;
      const int flips = 1 + static_cast<int>(random() % 8);
      for (int i = 0; i < flips; ++i) bytes[random() % bytes.size()] ^= static_cast<std::uint8_t>(1u << (random() % 8));
      std::ofstream file(
          out / (fs::path(argv[f]).filename().string() + "." + std::to_string(f) + "." + std::to_string(copy)),
          std::ios::binary);
      file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 4 && std::string(argv[1]) == "--bitflip") return BitFlips(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_fuzz_seeds OUT TEMPLATE_HIVE\n");
    return 2;
  }
  g_out = argv[1];
  PeSeeds();
  RegistrySeeds(argv[2]);
  InfSeeds();
  PathSeeds();
  return 0;
}
