#include "probes/oem_inf.h"

#include "platform/os.h"
#include "platform/text.h"
#include "probes/system_paths.h"

namespace {

// Closes the directory search on every way out.
class FindHandle {
 public:
  explicit FindHandle(os::HANDLE h) : handle_(h) {}
  ~FindHandle() {
    if (valid()) os::FindClose(handle_);
  }
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  bool valid() const { return handle_ != os::INVALID_HANDLE_VALUE; }
  os::HANDLE get() const { return handle_; }

 private:
  os::HANDLE handle_;
};

class InfFile {
 public:
  explicit InfFile(const char16_t* path) : inf_(os::SetupOpenInfFileW(path, nullptr, os::INF_STYLE_WIN4, nullptr)) {}
  ~InfFile() {
    if (valid()) os::SetupCloseInfFile(inf_);
  }
  InfFile(const InfFile&) = delete;
  InfFile& operator=(const InfFile&) = delete;
  bool valid() const { return inf_ != os::INVALID_HANDLE_VALUE && inf_ != nullptr; }
  os::HINF get() const { return inf_; }

 private:
  os::HINF inf_;
};

// The upper-cased text of the first `key` line of `section`; false when the
// file does not open, the line is missing or its text does not fit 260 characters.
bool FirstLineText(const char16_t* path, const char16_t* section, const char16_t* key, char16_t (&line)[260]) {
  InfFile inf(path);
  if (!inf.valid()) return false;
  os::INFCONTEXT context{};
  if (!os::SetupFindFirstLineW(inf.get(), section, key, &context)) return false;
  os::DWORD required = 0;
  if (!os::SetupGetLineTextW(&context, nullptr, nullptr, nullptr, nullptr, 0, &required)) return false;
  if (required == 0 || required > 260) return false;
  if (!os::SetupGetLineTextW(&context, nullptr, nullptr, nullptr, line, required, nullptr)) return false;
  line[259] = 0;
  text::UpperCaseAZInPlace(line);
  return true;
}

}  // namespace

unsigned FindOemInfs(const char16_t* filePattern, const char16_t* matchText, CTokenList& result,
                     const char16_t* section, const char16_t* key, int shortNamesOnly) {
  result.Clear();
  unsigned count = 0;

  char16_t infDir[260] = {};
  GetWindowsRoot(infDir);
  text::Append(infDir, u"\\inf\\");
  char16_t searchPath[260] = {};
  text::Format(searchPath, u"%s%s", infDir, filePattern);
  char16_t match[50] = {};
  text::Copy(match, matchText ? std::u16string_view(matchText, text::Length(matchText)) : u"");
  text::UpperCaseAZInPlace(match);

  os::WIN32_FIND_DATAW found{};
  FindHandle search(os::FindFirstFileW(searchPath, &found));
  if (!search.valid()) return 0;
  do {
    char16_t name[260] = {};
    text::Copy(name, std::u16string_view(found.cFileName, text::Length(found.cFileName, os::MAX_PATH)));
    std::size_t length = text::Length(name);
    if (shortNamesOnly && length > 10) {
      if (text::Contains(text::UpperCaseAZ(name), u"OEMS")) return count;
      continue;
    }
    if (length < 3) continue;  // cannot have an extension to replace or cut
    std::u16string_view stem(name, length - 3);
    std::u16string compiled(stem);
    compiled += u"pnf";
    if (text::EqualsNoCaseAZ(compiled, name)) continue;

    char16_t path[260] = {};
    text::Format(path, u"%s%s", infDir, name);
    char16_t line[260] = {};
    if (!FirstLineText(path, section, key, line)) continue;
    if (text::Contains(line, match)) {
      if (count < static_cast<unsigned>(CTokenList::kMaxTokens)) {
        result.SetTokenAt(static_cast<int>(count), std::u16string(stem).c_str());
      }
      ++count;
    }
  } while (os::FindNextFileW(search.get(), &found));
  return count;
}
