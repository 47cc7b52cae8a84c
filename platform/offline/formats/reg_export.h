// Registry export (.reg) files. ParseRegExport reads the text (UTF-16LE or
// Windows-1252, as codecs::DecodeText finds it) and hands each key and value
// line to a sink in file order, and each line it cannot use to the sink with
// the reason; ApplyRegExport is the sink that applies them to the key tree.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/offline/formats/reg_tree.h"

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
  kLineTooLong,             // over 4 Mi characters, continuations joined
  kKeyTooDeep,              // over 512 levels below HKEY_LOCAL_MACHINE (the key in force is none)
  kKeyNameTooLong,          // a part of the key's path over 255 characters (likewise)
  kValueNameTooLong,        // over 16,383 characters
  kValueTooLarge,           // data over 1 MiB
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

// What the exports of one run may add to the key tree, all of them together
// (the same as a hive may give): past it, the keys and values that would be
// new are skipped, with a warning.
struct RegBudget {
  std::size_t keys = 1000000;
  std::size_t values = 4000000;
  std::size_t valueBytes = std::size_t{256} << 20;
};

// The skipped lines of one export shown one by one; the rest are counted.
constexpr std::size_t kShownRegProblems = 10;

// Applies an export's keys below HKEY_LOCAL_MACHINE onto `root` (whose
// children are SYSTEM, SOFTWARE, ...), within `budget` (a run's own when
// null). The first kShownRegProblems skipped lines are reported as
// "FILE:LINE: message" lines in `warnings`, then how many were skipped in all.
void ApplyRegExport(const std::vector<std::uint8_t>& bytes, const std::string& fileName, RegTreeKey* root,
                    RegBudget* budget, std::string* warnings);

}  // namespace offline
