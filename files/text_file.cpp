#include "files/text_file.h"

#include "platform/diagnostics.h"

namespace {

// Names tried for the temporary file before giving up.
constexpr int kTempAttempts = 16;

std::u16string TempName(const char16_t* path, int attempt) {
  return std::u16string(path) + u".~" + text::FromUtf8(std::to_string(os::GetCurrentProcessId())) + u"-" +
         text::FromUtf8(std::to_string(attempt)) + u".tmp";
}

}  // namespace

CTextFile::~CTextFile() {
  if (isOpen == 1) Close();
}

void CTextFile::Begin(const char16_t* path) {
  // Reopening an object that is still open would leak its handle.
  if (isOpen == 1) Close();
  target_ = path ? path : u"";
  temp_.clear();
  keptLength_ = 0;
  madeByOpen_ = false;
  failure_ = TextFileFailure{};
}

void CTextFile::Note(const char* step) {
  if (!failure_.step.empty()) return;
  failure_.step = step;
  failure_.path = target_;
  failure_.error = os::GetLastError();
  failure_.reason = diag::ErrorWords(failure_.error);
}

int CTextFile::Open(const char16_t* path, os::DWORD disposition) {
  handle = os::CreateFileW(path, os::GENERIC_READ | os::GENERIC_WRITE, os::FILE_SHARE_WRITE, nullptr, disposition,
                           os::FILE_ATTRIBUTE_NORMAL, nullptr);
  isOpen = handle != os::INVALID_HANDLE_VALUE ? 1 : 0;
  return isOpen;
}

int CTextFile::Create(const char16_t* path) {
  Begin(path);
  if (!path) return 0;
  for (int attempt = 0; attempt < kTempAttempts; ++attempt) {
    std::u16string temp = TempName(path, attempt);
    if (Open(temp.c_str(), os::CREATE_NEW)) {
      temp_ = temp;
      return 1;
    }
    const os::DWORD error = os::GetLastError();
    if (error != os::ERROR_FILE_EXISTS && error != os::ERROR_ALREADY_EXISTS) break;
  }
  Note("creating");
  return 0;
}

int CTextFile::OpenAlways(const char16_t* path) {
  Begin(path);
  if (!path || !Open(path, os::OPEN_ALWAYS)) {
    Note("opening");
    return 0;
  }
  madeByOpen_ = os::GetLastError() != os::ERROR_ALREADY_EXISTS;
  os::DWORD high = 0;
  os::SetLastError(0);
  const os::DWORD low = os::GetFileSize(handle, &high);
  if (low == os::INVALID_FILE_SIZE && os::GetLastError() != 0) {
    Note("opening");
    os::CloseHandle(handle);
    isOpen = 0;
    handle = os::INVALID_HANDLE_VALUE;
    return 0;
  }
  keptLength_ = (static_cast<std::uint64_t>(high) << 32) | low;
  return 1;
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
    Note("writing");
    Abandon();
    return 0;
  }
  return 1;
}

int CTextFile::AppendPiece(const char16_t* piece, std::size_t length) {
  if (isOpen != 1) return 0;
  os::SetLastError(0);
  if (os::SetFilePointer(handle, 0, nullptr, os::FILE_END) == os::INVALID_SET_FILE_POINTER && os::GetLastError() != 0) {
    Note("writing");
    Abandon();
    return 0;
  }
  return WritePiece(piece, length);
}

void CTextFile::Abandon() {
  if (isOpen != 1) return;
  if (temp_.empty()) {
    os::LONG high = static_cast<os::LONG>(keptLength_ >> 32);
    os::SetFilePointer(handle, static_cast<os::LONG>(keptLength_ & 0xFFFFFFFFu), &high, os::FILE_BEGIN);
    os::SetEndOfFile(handle);
  }
  os::CloseHandle(handle);
  if (!temp_.empty()) {
    os::DeleteFileW(temp_.c_str());
  } else if (madeByOpen_) {
    os::DeleteFileW(target_.c_str());
  }
  isOpen = 0;
  handle = os::INVALID_HANDLE_VALUE;
  temp_.clear();
}

int CTextFile::Close() {
  if (isOpen != 1) {
    handle = os::INVALID_HANDLE_VALUE;
    return 1;
  }
  if (!os::FlushFileBuffers(handle)) {
    Note("writing");
    Abandon();
    return 0;
  }
  if (!os::CloseHandle(handle)) return 0;
  isOpen = 0;
  handle = os::INVALID_HANDLE_VALUE;
  if (temp_.empty()) return 1;
  const std::u16string temp = std::move(temp_);
  temp_.clear();
  if (os::MoveFileExW(temp.c_str(), target_.c_str(), os::MOVEFILE_REPLACE_EXISTING | os::MOVEFILE_WRITE_THROUGH))
    return 1;
  Note("replacing");
  os::DeleteFileW(temp.c_str());
  return 0;
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
