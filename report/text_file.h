// One file handle through which the report and the trace write their text:
// every piece is formatted with text::Format into an 800-character buffer and
// written as UTF-16LE without byte-order mark or terminator. A piece longer
// than 799 characters is cut at 799.
#pragma once

#include <cstddef>
#include <string_view>

#include "platform/os.h"
#include "platform/text.h"

class CTextFile {
 public:
  static constexpr std::size_t kBufferChars = 800;

  CTextFile() = default;
  ~CTextFile();
  CTextFile(const CTextFile&) = delete;
  CTextFile& operator=(const CTextFile&) = delete;

  // CREATE_ALWAYS: an existing file is emptied. 1 when open.
  int Create(const char16_t* path);
  // OPEN_ALWAYS: an existing file keeps its content, position at its start.
  int OpenAlways(const char16_t* path);

  // Formats and writes at the current position; on failure closes, gives 0.
  template <typename... Args>
  int Write(std::u16string_view format, const Args&... args) {
    char16_t buffer[kBufferChars] = {};
    std::size_t length = text::Format(buffer, kBufferChars, format, args...);
    return WritePiece(buffer, length);
  }

  // Formats, moves to the end of the file and writes there.
  template <typename... Args>
  int Append(std::u16string_view format, const Args&... args) {
    char16_t buffer[kBufferChars] = {};
    std::size_t length = text::Format(buffer, kBufferChars, format, args...);
    return AppendPiece(buffer, length);
  }

  // 1 when closed or nothing was open, 0 when CloseHandle failed.
  int Close();
  // 1 when the file can be opened as an existing file.
  int FileExists(const char16_t* path);
  // The shell's default action on `file`; ShellExecuteExW's result.
  int ShellOpen(const char16_t* file, const char16_t* parameters);

  bool IsOpen() const { return isOpen != 0; }

  os::HANDLE handle = os::INVALID_HANDLE_VALUE;
  int isOpen = 0;

 private:
  int Open(const char16_t* path, os::DWORD disposition);
  int WritePiece(const char16_t* piece, std::size_t length);
  int AppendPiece(const char16_t* piece, std::size_t length);
};
