// Builds a sample Windows system drive from a readable description:
//   make_sample DESCRIPTION TEMPLATE_HIVE OUTPUT_DIR
// Description lines (C:\ paths; '#' starts a comment line):
//   dir  PATH
//   pe   PATH file=A.B.C.D product=A.B.C.D [company=TEXT_WITHOUT_BLANKS] [pe64] [noversion]
//   file PATH            followed by the file's lines, ended by a line holding only "."
//   sz   KEY NAME VALUE...   (the rest of the line is the value)
//   dword KEY NAME NUMBER
//   os   MAJOR.MINOR
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "platform/text.h"
#include "tools/lib/pe_builder.h"
#include "tools/lib/registry_content.h"

namespace {

std::string HostPath(const std::string& root, const std::string& windowsPath) {
  std::string rel = windowsPath.size() >= 2 && windowsPath[1] == ':' ? windowsPath.substr(2) : windowsPath;
  std::string out = root;
  for (char c : rel) out += (c == '\\') ? '/' : c;
  return out;
}

void MakeDirs(const std::string& path) {
  for (std::size_t i = 1; i <= path.size(); ++i)
    if (i == path.size() || path[i] == '/') mkdir(path.substr(0, i).c_str(), 0755);
}

void MakeParent(const std::string& path) { MakeDirs(path.substr(0, path.rfind('/'))); }

bool ParseVersion(const std::string& s, std::uint16_t out[4]) {
  unsigned a, b, c, d;
  if (std::sscanf(s.c_str(), "%u.%u.%u.%u", &a, &b, &c, &d) != 4) return false;
  out[0] = static_cast<std::uint16_t>(a);
  out[1] = static_cast<std::uint16_t>(b);
  out[2] = static_cast<std::uint16_t>(c);
  out[3] = static_cast<std::uint16_t>(d);
  return true;
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
  MakeParent(path);
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(f);
}

// The words after a "pe" line's path; what is wrong with them, or empty.
std::string ReadPeWords(std::istringstream& words, tools::VersionSpec* wanted) {
  std::string word;
  while (words >> word) {
    if (word.rfind("file=", 0) == 0) {
      if (!ParseVersion(word.substr(5), wanted->fileVersion)) return "bad file version";
    } else if (word.rfind("product=", 0) == 0) {
      if (!ParseVersion(word.substr(8), wanted->productVersion)) return "bad product version";
    } else if (word.rfind("company=", 0) == 0) {
      wanted->strings.push_back({u"CompanyName", text::FromUtf8(word.substr(8))});
    } else if (word == "pe64") {
      wanted->pe64 = true;
    } else if (word == "noversion") {
      wanted->withVersionResource = false;
    } else {
      return "unknown word " + word;
    }
  }
  return "";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: make_sample DESCRIPTION TEMPLATE_HIVE OUTPUT_DIR\n";
    return 2;
  }
  std::ifstream in(argv[1]);
  if (!in) {
    std::cerr << "make_sample: cannot read " << argv[1] << "\n";
    return 1;
  }
  const std::string root = argv[3];
  tools::RegistryContent registry;
  std::string line;
  int lineNo = 0;
  auto fail = [&](const std::string& why) {
    std::cerr << argv[1] << ":" << lineNo << ": " << why << "\n";
    return 1;
  };
  while (std::getline(in, line)) {
    ++lineNo;
    if (line.empty() || line[0] == '#') continue;
    std::istringstream words(line);
    std::string verb, path;
    words >> verb >> path;
    if (verb == "dir") {
      MakeDirs(HostPath(root, path));
    } else if (verb == "pe") {
      tools::VersionSpec versionSpec;
      std::string why = ReadPeWords(words, &versionSpec);
      if (!why.empty()) return fail(why);
      std::string name = path.substr(path.rfind('\\') + 1);
      versionSpec.strings.push_back({u"InternalName", text::FromUtf8(name)});
      std::vector<std::uint8_t> pe = tools::BuildVersionedPe(versionSpec);
      if (!WriteBytes(HostPath(root, path), std::string(pe.begin(), pe.end()))) return fail("cannot write");
    } else if (verb == "file") {
      std::string content, body;
      while (std::getline(in, body) && body != ".") {
        ++lineNo;
        content += body + "\r\n";
      }
      ++lineNo;
      if (!WriteBytes(HostPath(root, path), content)) return fail("cannot write");
    } else if (verb == "sz" || verb == "dword") {
      std::string name, value;
      words >> name;
      std::getline(words, value);
      value.erase(0, value.find_first_not_of(' '));
      if (verb == "sz") {
        registry.SetString(text::FromUtf8(path), text::FromUtf8(name), text::FromUtf8(value));
      } else {
        registry.SetDword(text::FromUtf8(path), text::FromUtf8(name),
                          static_cast<std::uint32_t>(std::stoul(value, nullptr, 0)));
      }
    } else if (verb == "os") {
      registry.SetString(u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", u"CurrentVersion", text::FromUtf8(path));
    } else {
      return fail("unknown line");
    }
  }
  std::string config = HostPath(root, "C:\\WINDOWS\\system32\\config");
  MakeDirs(config);
  std::string error;
  if (!tools::WriteHives(registry, argv[2], config + "/SYSTEM", config + "/SOFTWARE", 1, &error)) {
    std::cerr << "make_sample: " << error << "\n";
    return 1;
  }
  return 0;
}
