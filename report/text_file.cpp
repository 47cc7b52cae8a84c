#include "report/text_file.h"

CTextFile::~CTextFile() {
  if (isOpen == 1) Close();
}

int CTextFile::Open(const char16_t* path, os::DWORD disposition) {
  handle = os::CreateFileW(path, os::GENERIC_READ | os::GENERIC_WRITE, os::FILE_SHARE_WRITE, nullptr, disposition,
                           os::FILE_ATTRIBUTE_NORMAL, nullptr);
  isOpen = handle != os::INVALID_HANDLE_VALUE ? 1 : 0;
  return isOpen;
}

int CTextFile::Create(const char16_t* path) {
  // Reopening an object that is still open would leak its handle.
  if (isOpen == 1) Close();
  return Open(path, os::CREATE_ALWAYS);
}

int CTextFile::OpenAlways(const char16_t* path) {
  if (isOpen == 1) Close();
  return Open(path, os::OPEN_ALWAYS);
}

int CTextFile::WritePiece(const char16_t* piece, std::size_t length) {
  if (isOpen != 1) return 0;
  // Each character as two bytes, least significant first, whatever the host's order.
  unsigned char bytes[kBufferChars * 2];
  for (std::size_t i = 0; i < length; ++i) {
    bytes[2 * i] = static_cast<unsigned char>(piece[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<unsigned char>(piece[i] >> 8);
  }
  os::DWORD written = 0;
  os::DWORD toWrite = static_cast<os::DWORD>(length * 2);
  if (!os::WriteFile(handle, bytes, toWrite, &written, nullptr) || written != toWrite) {
    Close();
    return 0;
  }
  return 1;
}

int CTextFile::AppendPiece(const char16_t* piece, std::size_t length) {
  if (isOpen != 1) return 0;
  os::SetLastError(0);
  if (os::SetFilePointer(handle, 0, nullptr, os::FILE_END) == os::INVALID_SET_FILE_POINTER &&
      os::GetLastError() != 0) {
    Close();
    return 0;
  }
  return WritePiece(piece, length);
}

int CTextFile::Close() {
  if (isOpen == 1) {
    if (!os::CloseHandle(handle)) return 0;
  }
  isOpen = 0;
  handle = os::INVALID_HANDLE_VALUE;
  return 1;
}

int CTextFile::FileExists(const char16_t* path) {
  // Windows leaves the last error alone on success and CloseHandle on an
  // invalid handle sets one of its own: clear it first and close only a handle
  // that was opened, so the answer is "could the file be opened".
  os::SetLastError(0);
  os::HANDLE probe = os::CreateFileW(path, 0, 0, nullptr, os::OPEN_EXISTING, os::FILE_ATTRIBUTE_NORMAL, nullptr);
  if (probe == os::INVALID_HANDLE_VALUE) return 0;
  os::CloseHandle(probe);
  return 1;
}

int CTextFile::ShellOpen(const char16_t* file, const char16_t* parameters) {
  os::SHELLEXECUTEINFOW info{};
  info.cbSize = 60;
  info.fMask = os::SEE_MASK_NOCLOSEPROCESS | os::SEE_MASK_FLAG_DDEWAIT;
  info.hwnd = nullptr;
  info.lpVerb = nullptr;
  info.lpFile = file;
  info.lpParameters = parameters;
  info.lpDirectory = nullptr;
  info.nShow = os::SW_SHOWMAXIMIZED;
  return os::ShellExecuteExW(&info);
}
