// The viewer the report is handed to, and the end of the program.
#include <cstdio>
#include <cwctype>

#include "tools/uia/uia.h"
// After <windows.h>, which uia.h brings in.
#include <tlhelp32.h>

namespace uia {
namespace {

constexpr const wchar_t* kProgram = L"Quillon.exe";

std::wstring Lower(std::wstring s) {
  for (wchar_t& c : s) c = static_cast<wchar_t>(std::towlower(c));
  return s;
}

// Executable names of the running processes, by process id.
std::vector<std::pair<DWORD, std::wstring>> Processes() {
  std::vector<std::pair<DWORD, std::wstring>> out;
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) Fail("cannot list the processes");
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snap, &entry); more; more = Process32NextW(snap, &entry))
    out.emplace_back(entry.th32ProcessID, entry.szExeFile);
  CloseHandle(snap);
  return out;
}

std::wstring ProcessName(DWORD pid) {
  for (const auto& p : Processes())
    if (p.first == pid) return p.second;
  return L"?";
}

struct ViewerSearch {
  std::wstring part;  // lower case
  HWND found = nullptr;
  std::wstring title;
};

BOOL CALLBACK FindViewer(HWND hwnd, LPARAM lParam) {
  auto* s = reinterpret_cast<ViewerSearch*>(lParam);
  if (!IsWindowVisible(hwnd) || GetWindow(hwnd, GW_OWNER) != nullptr) return TRUE;
  wchar_t text[512] = {};
  GetWindowTextW(hwnd, text, 512);
  if (Lower(text).find(s->part) == std::wstring::npos) return TRUE;
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (Lower(ProcessName(pid)) == Lower(kProgram)) return TRUE;  // the program's own windows are not the viewer
  s->found = hwnd;
  s->title = text;
  return FALSE;
}

}  // namespace

// Waits for a visible top-level window of another program whose title holds
// TITLE-PART (the report's file name: the shell opened the right file), then
// ends that program.
int CmdKillViewer(const Args& args) {
  if (args.size() != 1 || args[0].empty()) Fail("usage: kill-viewer TITLE-PART");
  ViewerSearch search;
  search.part = Lower(args[0]);
  if (!Poll([&] {
        search.found = nullptr;
        EnumWindows(FindViewer, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
      }))
    Fail("no viewer window with " + Quoted(args[0]) + " in its title; visible windows: " + VisibleWindows());
  DWORD pid = 0;
  GetWindowThreadProcessId(search.found, &pid);
  const std::wstring name = ProcessName(pid);
  HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
  if (process == nullptr) Fail("cannot open the viewer process " + std::to_string(pid));
  const bool ended = TerminateProcess(process, 0) && WaitForSingleObject(process, g_timeoutMs) == WAIT_OBJECT_0;
  CloseHandle(process);
  if (!ended) Fail("the viewer process " + std::to_string(pid) + " did not end");
  std::printf("viewer %s (%s) ended\n", Quoted(search.title).c_str(), Utf8(name).c_str());
  return 0;
}

int CmdWaitExit(const Args& args) {
  if (!args.empty()) Fail("no arguments expected");
  auto running = [] {
    for (const auto& p : Processes())
      if (Lower(p.second) == Lower(kProgram)) return true;
    return false;
  };
  if (!Poll([&] { return !running(); }))
    Fail("Quillon.exe still running after " + std::to_string(g_timeoutMs / 1000) +
         " s; visible windows: " + VisibleWindows());
  std::printf("Quillon.exe has ended\n");
  return 0;
}

}  // namespace uia
