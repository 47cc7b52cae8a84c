// Windows paths and listing patterns from arbitrary bytes, mapped onto a
// generated system drive: folders and files in several cases and scripts, a
// lower-case link to a folder, links that leave the drive, dangle or loop, a
// FIFO where a file belongs. The input is UTF-16LE: a path, then after a NUL
// a listing pattern. Whatever is found must lie inside the drive, and a
// listing must come back in NTFS order without repeats.
// Replay: fuzz_path_map fuzz/corpus/path_map/*
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/offline/winapi/machine.h"
#include "platform/offline/winapi/path_map.h"
#include "platform/os.h"
#include "platform/text.h"

namespace {

std::string g_root;

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

void File(const std::string& path, const char* content) {
  const int fd = open((g_root + "/" + path).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return;
  if (write(fd, content, strlen(content)) < 0) {
  }
  close(fd);
}

void MakeDrive() {
  char pattern[] = "/tmp/quillon-fuzz-drive-XXXXXX";
  const char* made = mkdtemp(pattern);
  if (!made) __builtin_trap();
  g_root = made;
  std::atexit([] {
    std::error_code ec;
    std::filesystem::remove_all(g_root, ec);
  });
  for (const char* dir : {"WINDOWS", "WINDOWS/system32", "WINDOWS/system32/Drivers", "WINDOWS/system32/config",
                          "WINDOWS/inf", "Halvorn", "Halvorn/Version", "Документы", "Ämter", "a", "a/b", "a/b/c"})
    mkdir((g_root + "/" + dir).c_str(), 0755);
  for (const char* file :
       {"WINDOWS/system32/Drivers/ELXSTOR.SYS", "WINDOWS/system32/Drivers/ql2300.sys", "WINDOWS/inf/oem1.inf",
        "WINDOWS/inf/OEM10.INF", "WINDOWS/inf/oem2.inf", "WINDOWS/inf/Ämter.inf", "WINDOWS/inf/привет.INF",
        "Halvorn/Version/Tavish.exe", "a/b/c/deep.txt", "a/.hidden", "a/name.with.dots.txt", "a/nodot"})
    File(file, "x");
  if (symlink("WINDOWS", (g_root + "/windows").c_str()) != 0) {
  }
  if (symlink("/etc", (g_root + "/out").c_str()) != 0) {
  }
  if (symlink("../../..", (g_root + "/a/up").c_str()) != 0) {
  }
  if (symlink("nowhere", (g_root + "/a/dangling").c_str()) != 0) {
  }
  if (symlink("loop", (g_root + "/a/loop").c_str()) != 0) {
  }
  if (symlink(".", (g_root + "/a/b/self").c_str()) != 0) {
  }
  mkfifo((g_root + "/WINDOWS/inf/oem3.inf").c_str(), 0644);
  offline::MachineOptions options;
  options.root = g_root;
  std::string error;
  if (!offline::ConfigureMachine(options, &error)) __builtin_trap();
}

void List(const std::u16string& pattern) {
  os::WIN32_FIND_DATAW data{};
  os::HANDLE find = os::FindFirstFileW(pattern.c_str(), &data);
  if (find == os::INVALID_HANDLE_VALUE) return;
  std::u16string previous = text::Upcased(data.cFileName);
  while (os::FindNextFileW(find, &data)) {
    const std::u16string name = text::Upcased(data.cFileName);
    Check(previous < name);  // sorted, no name twice
    previous = name;
  }
  os::FindClose(find);
}

void Open(const std::u16string& path) {
  if (std::optional<offline::Found> found = offline::MapForRead(path)) {
    if (found->exists()) Check(found->host.compare(0, g_root.size(), g_root) == 0);
  }
  os::HANDLE file = os::CreateFileW(path.c_str(), os::GENERIC_READ, os::FILE_SHARE_READ, nullptr, os::OPEN_EXISTING,
                                    os::FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != os::INVALID_HANDLE_VALUE) os::CloseHandle(file);
  os::DWORD handle = 0;
  os::GetFileVersionInfoSizeW(path.c_str(), &handle);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  MakeDrive();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return 0;  // Windows paths are short; long ones only slow the search down
  std::u16string units;
  for (std::size_t i = 0; i + 1 < size; i += 2) units.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
  const std::size_t nul = units.find(u'\0');
  const std::u16string path = units.substr(0, nul);
  const std::u16string pattern = nul == std::u16string::npos ? path : units.substr(nul + 1);
  Open(path);
  List(pattern);
  return 0;
}
