// Registry export (.reg) files. ParseRegExport reads the text (UTF-16LE or
// Windows-1252, as codecs::DecodeText finds it) and hands each key and value
// line to a sink in file order, and each line it cannot use to the sink with
// the reason; ApplyRegExport is the sink that applies them to the key tree.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/offline/reg_tree.h"

namespace offline {

// Why a line is skipped.
enum class RegLineError {
  kNotAnExportHeader,       // a first line other than "Windows Registry Editor Version 5.00" or "REGEDIT4"
  kMalformedKeyLine,        // "[" with no closing "]" (the key in force stays)
  kKeyOutsideLocalMachine,  // a key below another root; its values are ignored
  kDeleteLocalMachine,      // "[-HKEY_LOCAL_MACHINE]"
  kUnterminatedValueName,   // "\"name" with no closing quote
  kUnrecognisedLine,        // neither a key, a value nor a comment
  kMissingEquals,           // no "=" after the value name
  kMalformedValueData,      // none of "text", dword:, hex:, hex(N): or -
};

// The line's message, as the warnings show it ("malformed value data", ...).
const char* Describe(RegLineError error);

class RegExportSink {
 public:
  virtual ~RegExportSink() = default;
  // A key line: `path` below HKEY_LOCAL_MACHINE ("" or "\SYSTEM\..."), or its
  // deletion ("[-...]", never of HKEY_LOCAL_MACHINE itself).
  virtual void Key(std::u16string_view path, bool remove) = 0;
  // A key line after which no key is in force (outside HKEY_LOCAL_MACHINE).
  virtual void NoKey() = 0;
  // Value lines, for the key in force ("" is the default value).
  virtual void Value(std::u16string_view name, std::uint32_t type, std::vector<std::uint8_t> data) = 0;
  virtual void RemoveValue(std::u16string_view name) = 0;
  // A skipped line, numbered from 1 (a continued value by its first line).
  virtual void Problem(std::size_t line, RegLineError error) = 0;
};

void ParseRegExport(const std::vector<std::uint8_t>& bytes, RegExportSink& sink);

// Applies an export's keys below HKEY_LOCAL_MACHINE onto `root` (whose
// children are SYSTEM, SOFTWARE, ...). Skipped lines are reported as
// "FILE:LINE: message" lines in `warnings`.
void ApplyRegExport(const std::vector<std::uint8_t>& bytes, const std::string& fileName, RegTreeKey* root,
                    std::string* warnings);

}  // namespace offline
