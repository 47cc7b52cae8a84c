// Command dispatch: quillon_uia [--timeout SECONDS] COMMAND [ARGS...]
#include <cstdio>
#include <cwchar>
#include <map>

#include "tools/uia/uia.h"

namespace uia {

DWORD g_timeoutMs = 30000;

void Fail(const std::string& why) { throw Failure(why); }

std::string Utf8(const std::wstring& s) {
  if (s.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), &out[0], n, nullptr, nullptr);
  return out;
}

std::wstring Wide(const std::string& s) {
  if (s.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), &out[0], n);
  return out;
}

std::string Quoted(const std::wstring& s) { return "\"" + Utf8(s) + "\""; }

}  // namespace uia

namespace {

const char kUsage[] =
    "usage: quillon_uia [--timeout SECONDS] COMMAND [ARGS]\n"
    "  wait-sheet                      wait for the sheet (the main dialog must not be visible yet)\n"
    "  dump-sheet OUT.txt              every tab's caption and static texts, as quillon --pages prints them\n"
    "  check-buttons                   only OK visible, centred as the sheet centres it\n"
    "  select-page N                   show page N (0 is the first tab)\n"
    "  close-sheet ok|esc|close        close the sheet and wait until it is gone\n"
    "  wait-main                       wait for the main dialog and check its question and buttons\n"
    "  press yes|no                    press a main-dialog button\n"
    "  answer-overwrite yes|no         answer the \"File Writing\" question\n"
    "  about                           open the About box through the system menu command\n"
    "  close-about                     press the About box's OK and wait until it is gone\n"
    "  screenshot TITLE OUT.bmp        capture a visible window from the screen\n"
    "  kill-viewer TITLE-PART          wait for the report viewer's window, then end its process\n"
    "  wait-exit                       wait until no Quillon.exe process is left\n";

}  // namespace

int wmain(int argc, wchar_t** argv) {
  using namespace uia;
  std::vector<std::wstring> args(argv + 1, argv + argc);
  if (args.size() >= 2 && args[0] == L"--timeout") {
    const double seconds = _wtof(args[1].c_str());
    if (seconds <= 0) {
      std::fprintf(stderr, "quillon_uia: bad --timeout %s\n", Utf8(args[1]).c_str());
      return 2;
    }
    g_timeoutMs = static_cast<DWORD>(seconds * 1000);
    args.erase(args.begin(), args.begin() + 2);
  }
  if (args.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  static const std::map<std::wstring, int (*)(const Args&)> commands = {
      {L"wait-sheet", CmdWaitSheet},
      {L"dump-sheet", CmdDumpSheet},
      {L"check-buttons", CmdCheckButtons},
      {L"select-page", CmdSelectPage},
      {L"close-sheet", CmdCloseSheet},
      {L"wait-main", CmdWaitMain},
      {L"press", CmdPress},
      {L"answer-overwrite", CmdAnswerOverwrite},
      {L"about", CmdAbout},
      {L"close-about", CmdCloseAbout},
      {L"screenshot", CmdScreenshot},
      {L"kill-viewer", CmdKillViewer},
      {L"wait-exit", CmdWaitExit},
  };
  const std::wstring name = args[0];
  auto it = commands.find(name);
  if (it == commands.end()) {
    std::fprintf(stderr, "quillon_uia: unknown command %s\n%s", Utf8(name).c_str(), kUsage);
    return 2;
  }
  args.erase(args.begin());
  try {
    return it->second(args);
  } catch (const Failure& failure) {
    std::fprintf(stderr, "quillon_uia %s: %s\n", Utf8(name).c_str(), failure.what());
    return 1;
  }
}
