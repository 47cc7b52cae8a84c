// Registry exports given with --reg: both encodings, the fixture writer's
// output read back, broken lines reported with their number while the rest
// still applies, deletions and continuation lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/codecs.h"
#include "platform/offline/formats/reg_export.h"
#include "platform/offline/winapi/registry_load.h"
#include "platform/os.h"
#include "platform/text.h"
#include "tools/lib/registry_content.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

class ExportFiles {
 public:
  ExportFiles() {
    dir_ = fs::temp_directory_path() / ("quillon_regx_" + std::to_string(reinterpret_cast<std::uintptr_t>(this)));
    fs::create_directories(dir_);
  }
  ~ExportFiles() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  std::string Write(const std::string& name, const Bytes& bytes) {
    std::string path = (dir_ / name).string();
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
  }

 private:
  fs::path dir_;
};

Bytes Ansi(const std::string& s) { return Bytes(s.begin(), s.end()); }

std::u16string Num(std::size_t n) { return text::FromUtf8(std::to_string(n)); }

Bytes Utf16(const std::u16string& s, bool bom) {
  Bytes out;
  if (bom) out = {0xFF, 0xFE};
  const Bytes units = codecs::EncodeUtf16Le(s);
  out.insert(out.end(), units.begin(), units.end());
  return out;
}

// What the parser hands over, one text line per event.
class Recorder : public offline::RegExportSink {
 public:
  std::vector<std::string> events;
  std::vector<std::pair<std::size_t, offline::RegLineError>> problems;

  void Key(std::u16string_view path, bool remove) override {
    events.push_back((remove ? "delete " : "key ") + text::ToUtf8(path));
  }
  void NoKey() override { events.push_back("no key"); }
  void Value(std::u16string_view name, std::uint32_t type, Bytes data) override {
    events.push_back("value " + text::ToUtf8(name) + " " + std::to_string(type) + " " + std::to_string(data.size()));
  }
  void RemoveValue(std::u16string_view name) override { events.push_back("remove " + text::ToUtf8(name)); }
  void Problem(std::size_t line, offline::RegLineError error) override { problems.emplace_back(line, error); }
};

// The value's bytes, or an empty optional-like marker when the key or value is missing.
bool Query(const char16_t* key, const char16_t* name, Bytes* data, os::DWORD* type = nullptr) {
  os::HKEY h = nullptr;
  if (os::RegOpenKeyExW(os::HKEY_LOCAL_MACHINE, key, 0, os::KEY_READ, &h) != 0) return false;
  os::DWORD size = 0;
  bool ok = os::RegQueryValueExW(h, name, nullptr, type, nullptr, &size) == 0;
  if (ok) {
    data->assign(size, 0);
    ok = os::RegQueryValueExW(h, name, nullptr, type, data->data(), &size) == 0;
  }
  os::RegCloseKey(h);
  return ok;
}

std::u16string Text(const Bytes& b) {
  std::u16string s;
  for (std::size_t i = 0; i + 1 < b.size(); i += 2) {
    char16_t c = static_cast<char16_t>(b[i] | b[i + 1] << 8);
    if (!c) break;
    s.push_back(c);
  }
  return s;
}

TEST(RegExport, WriterOutputReadsBackInBothEncodings) {
  tools::RegistryContent c;
  const char16_t* svc = u"SYSTEM\\CurrentControlSet\\Services\\elxstor";
  c.SetString(svc, u"ImagePath", u"system32\\drivers\\elx \"stor\".sys");
  c.SetString(svc, u"Display", u"Caf\u00e9 \u20ac");  // both in Windows-1252
  c.SetDword(svc, u"Start", 0xDEADBEEF);
  c.SetValue(svc, u"Blob", tools::RegValue{3, Bytes(70, 0xAB)});  // long enough to continue lines
  c.SetValue(svc, u"Raw", tools::RegValue{1, {'a', 0}});          // REG_SZ without terminator
  c.SetString(svc, u"", u"default");
  for (bool unicode : {true, false}) {
    for (unsigned set : {0u, 2u}) {
      ExportFiles files;
      std::string warnings;
      offline::LoadRegistryFiles(std::nullopt, std::nullopt,
                                 {files.Write("x.reg", tools::WriteRegExport(c, unicode, set))}, &warnings);
      EXPECT_EQ(warnings, "");
      Bytes d;
      os::DWORD type = 0;
      ASSERT_TRUE(Query(svc, u"imagepath", &d)) << unicode << set;
      EXPECT_EQ(Text(d), u"system32\\drivers\\elx \"stor\".sys");
      ASSERT_TRUE(Query(svc, u"Display", &d));
      EXPECT_EQ(Text(d), u"Caf\u00e9 \u20ac");
      ASSERT_TRUE(Query(svc, u"Start", &d, &type));
      EXPECT_EQ(type, os::REG_DWORD);
      EXPECT_EQ(d, Bytes({0xEF, 0xBE, 0xAD, 0xDE}));
      ASSERT_TRUE(Query(svc, u"Blob", &d, &type));
      EXPECT_EQ(type, os::REG_BINARY);
      EXPECT_EQ(d, Bytes(70, 0xAB));
      ASSERT_TRUE(Query(svc, u"Raw", &d, &type));
      EXPECT_EQ(type, os::REG_SZ);
      EXPECT_EQ(d, Bytes({'a', 0}));
      ASSERT_TRUE(Query(svc, u"", &d));
      EXPECT_EQ(Text(d), u"default");
    }
  }
}

TEST(RegExport, SkippedLinesSayWhy) {
  using E = offline::RegLineError;
  const struct {
    const char* line;
    E reason;
  } cases[] = {
      {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\A", E::kMalformedKeyLine},
      {"[HKEY_CURRENT_USER\\Software]", E::kKeyOutsideLocalMachine},
      {"[HKEY_LOCAL_MACHINEX\\Software]", E::kKeyOutsideLocalMachine},
      {"[-HKEY_LOCAL_MACHINE]", E::kDeleteLocalMachine},
      {"[-HKLM\\]", E::kDeleteLocalMachine},
      {"\"name=1", E::kUnterminatedValueName},
      {"name=1", E::kUnrecognisedLine},
      {"\"name\" 1", E::kMissingEquals},
      {"@", E::kMissingEquals},
      {"\"x\"=dword:123456789", E::kMalformedValueData},
      {"\"x\"=dword:", E::kMalformedValueData},
      {"\"x\"=dword:12g", E::kMalformedValueData},
      {"\"x\"=hex:01,zz", E::kMalformedValueData},
      {"\"x\"=hex:01;02", E::kMalformedValueData},
      {"\"x\"=hex():01", E::kMalformedValueData},
      {"\"x\"=hex(123456789):01", E::kMalformedValueData},
      {"\"x\"=\"open", E::kMalformedValueData},
      {"\"x\"=\"text\" tail", E::kMalformedValueData},
      {"\"x\"=qword:1", E::kMalformedValueData},
  };
  for (const auto& c : cases) {
    Recorder r;
    offline::ParseRegExport(Ansi(std::string("REGEDIT4\r\n") + c.line + "\r\n"), r);
    ASSERT_EQ(r.problems.size(), 1u) << c.line;
    EXPECT_EQ(r.problems[0].first, 2u) << c.line;
    EXPECT_EQ(r.problems[0].second, c.reason) << c.line;
  }
  Recorder r;
  offline::ParseRegExport(Ansi("REGEDIT 4\r\n"), r);
  ASSERT_EQ(r.problems.size(), 1u);
  EXPECT_EQ(r.problems[0], std::make_pair(std::size_t{1}, E::kNotAnExportHeader));
}

TEST(RegExport, LinesReachTheSinkInFileOrder) {
  Recorder r;
  offline::ParseRegExport(Ansi("REGEDIT4\r\n"
                               "[HKLM\\SOFTWARE\\A]\r\n"
                               "\"s\"=\"ab\"\r\n"
                               "[HKEY_LOCAL_MACHINE\\SOFTWARE\\B\r\n"  // malformed: A stays in force
                               "@=dword:1\r\n"
                               "; comment\r\n"
                               "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\C]\r\n"
                               "\"gone\"=-\r\n"
                               "[HKEY_USERS\\x]\r\n"
                               "\"m\"=hex(7):41,00,\\\r\n"
                               "  00,00\r\n"
                               "[HKEY_LOCAL_MACHINE]\r\n"),
                          r);
  const std::vector<std::string> expected = {"key \\SOFTWARE\\A", "value s 1 6", "value  4 4",  "delete \\SOFTWARE\\C",
                                             "remove gone",       "no key",      "value m 7 4", "key "};
  EXPECT_EQ(r.events, expected);
  ASSERT_EQ(r.problems.size(), 2u);
  EXPECT_EQ(r.problems[0], std::make_pair(std::size_t{4}, offline::RegLineError::kMalformedKeyLine));
  EXPECT_EQ(r.problems[1], std::make_pair(std::size_t{9}, offline::RegLineError::kKeyOutsideLocalMachine));
}

TEST(RegExport, BrokenLinesAreReportedAndSkipped) {
  ExportFiles files;
  std::string path = files.Write("bad.reg", Ansi("REGEDIT4\r\n"
                                                 "\r\n"
                                                 "[HKEY_LOCAL_MACHINE\\SOFTWARE\\A]\r\n"
                                                 "\"x\"=dword:123456789\r\n"  // 4: too many digits
                                                 "\"ok\"=\"fine\"\r\n"
                                                 "\"open=\"no end\r\n"                // 6
                                                 "[HKEY_CURRENT_USER\\Software]\r\n"  // 7: ignored
                                                 "\"user\"=\"u\"\r\n"
                                                 "[HKEY_LOCAL_MACHINE\\SOFTWARE\\A\r\n"  // 9
                                                 "\"hex\"=hex:01,zz\r\n"                 // 10
                                                 "\"more\"=hex(7):41,00,\\\r\n"
                                                 "  00,00\r\n"));
  std::string warnings;
  offline::LoadRegistryFiles(std::nullopt, std::nullopt, {path}, &warnings);
  for (const char* line : {":4: ", ":6: ", ":7: ", ":9: ", ":10: "}) {
    EXPECT_NE(warnings.find(path + line), std::string::npos) << line << "\n" << warnings;
  }
  Bytes d;
  os::DWORD type = 0;
  EXPECT_TRUE(Query(u"SOFTWARE\\A", u"ok", &d));
  EXPECT_FALSE(Query(u"SOFTWARE\\A", u"x", &d));
  EXPECT_FALSE(Query(u"Software", u"user", &d));
  // after the broken key line the values have no key to go to
  EXPECT_FALSE(Query(u"SOFTWARE\\A", u"more", &d));

  path =
      files.Write("cont.reg", Ansi("REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\A]\n\"more\"=hex(7):41,00,\\\n  00,00\n"));
  warnings.clear();
  offline::LoadRegistryFiles(std::nullopt, std::nullopt, {path}, &warnings);
  EXPECT_EQ(warnings, "");
  ASSERT_TRUE(Query(u"SOFTWARE\\A", u"more", &d, &type));
  EXPECT_EQ(type, os::REG_MULTI_SZ);
  EXPECT_EQ(d, Bytes({0x41, 0, 0, 0}));
}

TEST(RegExport, DeletionsAndLaterFilesApplyInOrder) {
  ExportFiles files;
  std::u16string first =
      u"Windows Registry Editor Version 5.00\r\n\r\n"
      u"[HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet003\\Services\\a]\r\n"
      u"\"Start\"=dword:00000001\r\n\"Gone\"=\"x\"\r\n"
      u"[HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet003\\Services\\b\\sub]\r\n"
      u"[HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet003\\Services\\c\\sub]\r\n\"Old\"=dword:00000001\r\n"
      u"[-HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet003\\Services\\c]\r\n"
      u"[HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet003\\SERVICES\\C\\sub\\deep]\r\n\"New\"=dword:00000002\r\n"
      u"[HKEY_LOCAL_MACHINE\\SYSTEM\\Select]\r\n\"Current\"=dword:00000003\r\n";
  std::u16string second =
      u"Windows Registry Editor Version 5.00\r\n"
      u"[-HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet003\\Services\\B]\r\n"
      u"[HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet003\\Services\\a]\r\n\"gone\"=-\r\n";
  std::string warnings;
  offline::LoadRegistryFiles(std::nullopt, std::nullopt,
                             {files.Write("1.reg", Utf16(first, true)), files.Write("2.reg", Utf16(second, false))},
                             &warnings);
  EXPECT_EQ(warnings, "");
  Bytes d;
  EXPECT_TRUE(Query(u"SYSTEM\\CurrentControlSet\\Services\\a", u"Start", &d));
  EXPECT_FALSE(Query(u"SYSTEM\\CurrentControlSet\\Services\\a", u"Gone", &d));
  // A key deleted and made again below where the file had been: the new one only.
  EXPECT_TRUE(Query(u"SYSTEM\\CurrentControlSet\\Services\\c\\sub\\deep", u"New", &d));
  EXPECT_FALSE(Query(u"SYSTEM\\CurrentControlSet\\Services\\c\\sub", u"Old", &d));
  os::HKEY h = nullptr;
  EXPECT_EQ(
      os::RegOpenKeyExW(os::HKEY_LOCAL_MACHINE, u"SYSTEM\\CurrentControlSet\\Services\\b\\sub", 0, os::KEY_READ, &h),
      static_cast<os::LONG>(os::ERROR_FILE_NOT_FOUND));
}

TEST(RegExport, AnsiExportDecodesWindows1252) {
  ExportFiles files;
  std::string warnings;
  offline::LoadRegistryFiles(
      std::nullopt, std::nullopt,
      {files.Write("a.reg",
                   Ansi("REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\K]\r\n\"n\"=\"\x80 \x9c \xe9 \\\\ \\\"\"\r\n"))},
      &warnings);
  Bytes d;
  ASSERT_TRUE(Query(u"SOFTWARE\\k", u"N", &d)) << warnings;
  EXPECT_EQ(Text(d), u"\u20ac \u0153 \u00e9 \\ \"");
}

// Hostile exports end quickly with a sensible answer: what is within bounds
// is read, what is not is skipped with its reason. Sizes show growth (a
// quadratic reader takes minutes here); the time is the benchmark's to judge.
TEST(RegExport, HostileExportsStayWithinBounds) {
  using E = offline::RegLineError;
  auto many = [](std::size_t n, const std::u16string& before, const std::u16string& after) {
    std::u16string out;
    for (std::size_t i = 0; i < n; ++i) out += before + Num(i) + after + u"\r\n";
    return out;
  };
  std::u16string hex;  // one byte over 1 MiB
  for (int i = 0; i < (1 << 20); ++i) hex += u"00,";
  const std::u16string header = u"Windows Registry Editor Version 5.00\r\n";
  std::u16string deep = u"[HKLM\\SOFTWARE";
  for (int i = 0; i < 300000; ++i) deep += u"\\a";
  const struct {
    const char* name;
    std::u16string body;
    const char16_t* key;  // must exist afterwards (with `values` values)
    std::size_t subkeys, values;
    std::vector<E> problems;  // the first few, in order
    std::size_t problemCount;
  } cases[] = {
      {"300,000 levels",
       deep + u"]\r\n\"v\"=dword:1\r\n[HKLM\\SOFTWARE\\b]\r\n\"w\"=dword:2\r\n",
       u"SOFTWARE\\b",
       0,
       1,
       {E::kKeyTooDeep},
       1},
      {"50,000 sibling keys", many(50000, u"[HKLM\\SOFTWARE\\k", u"]"), u"SOFTWARE", 50000, 0, {}, 0},
      {"50,000 values",
       u"[HKLM\\SOFTWARE\\v]\r\n" + many(50000, u"\"n", u"\"=dword:1"),
       u"SOFTWARE\\v",
       0,
       50000,
       {},
       0},
      {"50,000 junk lines", many(50000, u"junk", u""), nullptr, 0, 0, {E::kUnrecognisedLine}, 50000},
      {"a line over 4 Mi characters",
       u"[HKLM\\SOFTWARE\\x]\r\n\"v\"=\"" + std::u16string((4 << 20) + 1, u'x') + u"\"\r\n\"w\"=dword:1\r\n",
       u"SOFTWARE\\x",
       0,
       1,
       {E::kLineTooLong},
       1},
      {"names over Windows' limits",
       u"[HKLM\\SOFTWARE\\" + std::u16string(256, u'k') + u"]\r\n[HKLM\\SOFTWARE\\y]\r\n\"" +
           std::u16string(16384, u'v') + u"\"=dword:1\r\n\"big\"=hex:" + hex + u"00\r\n\"ok\"=dword:1\r\n",
       u"SOFTWARE\\y",
       0,
       1,
       {E::kKeyNameTooLong, E::kValueNameTooLong, E::kValueTooLarge},
       3},
  };
  for (const auto& c : cases) {
    offline::RegTreeKey root;
    std::string warnings;
    offline::ApplyRegExport(Utf16(header + c.body, true), "x.reg", &root, nullptr, &warnings);
    // The first ten skipped lines with their reasons, then how many in all.
    std::size_t at = 0;
    for (E reason : c.problems) {
      at = warnings.find(offline::Describe(reason), at);
      EXPECT_NE(at, std::string::npos) << c.name << ": " << offline::Describe(reason) << "\n"
                                       << warnings.substr(0, 2000);
    }
    const auto lines = static_cast<std::size_t>(std::count(warnings.begin(), warnings.end(), '\n'));
    EXPECT_EQ(lines, std::min(c.problemCount, offline::kShownRegProblems) + (c.problemCount > 10 ? 1 : 0)) << c.name;
    if (c.problemCount > 10) {
      EXPECT_NE(warnings.find(std::to_string(c.problemCount) + " lines skipped"), std::string::npos) << c.name;
    }
    if (!c.key) continue;
    const offline::RegTreeKey* key = offline::FindKey(root, c.key);
    ASSERT_NE(key, nullptr) << c.name;
    EXPECT_EQ(key->Subkeys().size(), c.subkeys) << c.name;
    EXPECT_EQ(key->AllValues().size(), c.values) << c.name;
  }
}

TEST(RegExport, RunBudgetAndDeletionsOfManySiblings) {
  std::u16string body = u"Windows Registry Editor Version 5.00\r\n";
  for (int i = 0; i < 20000; ++i) body += u"[HKLM\\SOFTWARE\\k" + Num(i) + u"]\r\n";
  for (int i = 0; i < 20000; i += 2) body += u"[-HKLM\\SOFTWARE\\K" + Num(i) + u"]\r\n";
  offline::RegTreeKey root;
  offline::ApplyRegExport(Utf16(body, true), "x.reg", &root, nullptr, nullptr);
  EXPECT_EQ(offline::FindKey(root, u"SOFTWARE")->Subkeys().size(), 10000u);
  EXPECT_EQ(offline::FindKey(root, u"SOFTWARE\\k0"), nullptr);
  EXPECT_NE(offline::FindKey(root, u"SOFTWARE\\k19999"), nullptr);

  offline::RegBudget budget;  // shared by the exports of one run
  budget.keys = 1000;
  std::string warnings;
  offline::RegTreeKey small;
  offline::ApplyRegExport(Utf16(body, true), "x.reg", &small, &budget, &warnings);
  // SOFTWARE and k0 to k998 made, then the even ones among them deleted.
  EXPECT_EQ(offline::FindKey(small, u"SOFTWARE")->Subkeys().size(), 499u);
  EXPECT_NE(warnings.find("more keys than"), std::string::npos) << warnings;
}

TEST(RegExport, UnreadableExportsAreErrors) {
  ExportFiles files;
  const std::string big = files.Write("big.reg", Bytes((64u << 20) + 1, 'x'));
  for (const std::string& path : {files.Write("ok.reg", Ansi("REGEDIT4\r\n")) + ".missing", big}) {
    std::string warnings, error;
    EXPECT_FALSE(offline::LoadRegistryFiles(std::nullopt, std::nullopt, {path}, &warnings, &error)) << path;
    EXPECT_NE(error.find(path), std::string::npos) << error;
  }
}

}  // namespace
