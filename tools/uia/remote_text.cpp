// Tab captions of another process's tab control. TCM_GETITEMW hands over a
// TCITEMW and a text buffer by pointer, which the system does not carry
// across processes, so both live in a block allocated in the owner process.
#include <cstddef>

#include "tools/uia/uia.h"
// After <windows.h>, which uia.h brings in.
#include <commctrl.h>

namespace uia {
namespace {

constexpr int kMaxTabText = 260;

class RemoteBlock {
 public:
  RemoteBlock(DWORD pid, std::size_t size) : size_(size) {
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process_ == nullptr) Fail("cannot open process " + std::to_string(pid) + " to read its tab texts");
    base_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (base_ == nullptr) {
      CloseHandle(process_);
      Fail("cannot allocate memory in process " + std::to_string(pid));
    }
  }
  ~RemoteBlock() {
    VirtualFreeEx(process_, base_, 0, MEM_RELEASE);
    CloseHandle(process_);
  }
  RemoteBlock(const RemoteBlock&) = delete;
  RemoteBlock& operator=(const RemoteBlock&) = delete;

  char* Address(std::size_t offset) const { return static_cast<char*>(base_) + offset; }
  void Write(std::size_t offset, const void* data, std::size_t n) const {
    SIZE_T done = 0;
    if (offset + n > size_ || !WriteProcessMemory(process_, Address(offset), data, n, &done) || done != n)
      Fail("WriteProcessMemory failed");
  }
  void Read(std::size_t offset, void* data, std::size_t n) const {
    SIZE_T done = 0;
    if (offset + n > size_ || !ReadProcessMemory(process_, Address(offset), data, n, &done) || done != n)
      Fail("ReadProcessMemory failed");
  }

 private:
  HANDLE process_ = nullptr;
  void* base_ = nullptr;
  std::size_t size_;
};

}  // namespace

std::vector<std::wstring> TabTexts(HWND tab) {
  DWORD pid = 0;
  GetWindowThreadProcessId(tab, &pid);
  const LRESULT count = SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0);
  if (count < 0 || count > 100) Fail("implausible tab count " + std::to_string(count));
  // One TCITEMW, then the text buffer.
  constexpr std::size_t kTextOffset = (sizeof(TCITEMW) + 15) / 16 * 16;
  RemoteBlock block(pid, kTextOffset + kMaxTabText * sizeof(wchar_t));
  std::vector<std::wstring> texts;
  for (LRESULT i = 0; i < count; ++i) {
    TCITEMW item = {};
    item.mask = TCIF_TEXT;
    item.pszText = reinterpret_cast<LPWSTR>(block.Address(kTextOffset));
    item.cchTextMax = kMaxTabText;
    const wchar_t empty[kMaxTabText] = {};
    block.Write(kTextOffset, empty, sizeof empty);
    block.Write(0, &item, sizeof item);
    if (!SendMessageW(tab, TCM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(block.Address(0))))
      Fail("TCM_GETITEMW failed for tab " + std::to_string(i));
    // The control may point pszText at its own copy instead of filling ours.
    TCITEMW answered = {};
    block.Read(0, &answered, sizeof answered);
    wchar_t text[kMaxTabText] = {};
    if (answered.pszText == item.pszText) {
      block.Read(kTextOffset, text, sizeof text);
    } else {
      HANDLE process = OpenProcess(PROCESS_VM_READ, FALSE, pid);
      SIZE_T done = 0;
      const bool read = process != nullptr &&
                        ReadProcessMemory(process, answered.pszText, text, sizeof text - sizeof(wchar_t), &done);
      if (process != nullptr) CloseHandle(process);
      if (!read) Fail("cannot read the text of tab " + std::to_string(i));
    }
    text[kMaxTabText - 1] = L'\0';
    texts.emplace_back(text);
  }
  return texts;
}

}  // namespace uia
