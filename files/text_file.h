// One file handle through which the report and the trace write their text:
// every piece is formatted with text::Format into an 800-character buffer and
// written as UTF-16LE without byte-order mark or terminator. A piece longer
// than 799 characters is cut at 799.
//
// Nothing already on disk is lost when a write fails: `Create` writes a
// temporary file beside the target that `Close` puts in its place (or removes
// after a failure), and after `OpenAlways` a failed write cuts the file back
// to the length it had when it was opened.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/os.h"
#include "platform/text.h"

// What went wrong first while writing a file, for messages.
struct TextFileFailure {
  std::string step;     // "creating", "opening", "writing", "replacing"; empty: nothing failed
  std::u16string path;  // the Windows path of the file
  os::DWORD error = 0;
  std::string reason;  // the platform's words for why
};

class CTextFile {
 public:
  static constexpr std::size_t kBufferChars = 800;

  CTextFile() = default;
  ~CTextFile();
  CTextFile(const CTextFile&) = delete;
  CTextFile& operator=(const CTextFile&) = delete;

  // Starts an empty file that replaces `path` at Close (CREATE_ALWAYS, through
  // a temporary file in the same folder). 1 when open.
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

  // Flushes the file to the disk and closes it; after `Create` the file then
  // replaces its target. 1 when closed (or nothing was open); 0 when the text
  // could not be made to last (the old file then stays as it was) or when
  // CloseHandle failed.
  int Close();
  // 1 when the file can be opened as an existing file.
  int FileExists(const char16_t* path);
  // The shell's default action on `file`; ShellExecuteExW's result.
  int ShellOpen(const char16_t* file, const char16_t* parameters);

  bool IsOpen() const { return isOpen != 0; }
  // The first failure since the last Create or OpenAlways.
  const TextFileFailure& LastFailure() const { return failure_; }

  os::HANDLE handle = os::INVALID_HANDLE_VALUE;
  int isOpen = 0;

 private:
  int Open(const char16_t* path, os::DWORD disposition);
  int WritePiece(const char16_t* piece, std::size_t length);
  int AppendPiece(const char16_t* piece, std::size_t length);
  void Begin(const char16_t* path);
  void Note(const char* step);
  // After a failed write: closes, and puts back what was on disk before.
  void Abandon();

  std::u16string target_;         // the file this object writes
  std::u16string temp_;           // after Create: the file written, which replaces the target at Close
  std::uint64_t keptLength_ = 0;  // after OpenAlways: the length the file had
  bool madeByOpen_ = false;       // OpenAlways made the file
  TextFileFailure failure_;
};
