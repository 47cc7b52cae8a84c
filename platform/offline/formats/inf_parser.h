// Reading INF files the way SetupAPI does, as far as SetupFindFirstLineW and
// SetupGetLineTextW show them. Section and key names compare without regard
// to case (a-z), as text::EqualsNoCaseAZ does.
//
// A parsed file keeps all its text in one buffer: keys, fields and section
// names are spans of it, so a file costs a handful of allocations however
// many lines it has, and every look-up is a binary search or one pass over a
// section.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/offline/formats/parsed.h"

namespace offline {

// Limits against hostile files. Each is far above what a real INF needs (the
// largest driver INFs hold a few hundred thousand fields) and keeps a file's
// parse within a few times its size in memory.
constexpr std::size_t kInfMaxBytes = 16u * 1024u * 1024u;
constexpr std::size_t kInfMaxLines = 1000000;
constexpr std::size_t kInfMaxFieldsPerLine = 4096;
constexpr std::size_t kInfMaxFields = 2000000;      // in the whole file
constexpr std::size_t kInfMaxFieldChars = 4096;     // Windows Vista and later; longer text is cut
constexpr std::size_t kInfMaxSectionName = 255;

// A stretch of a parsed file's text.
struct InfSpan {
  std::uint32_t offset = 0;
  std::uint32_t length = 0;
};

struct InfLine {
  InfSpan key;                   // raw, before %strkey% substitution
  bool hasKey = false;
  std::uint32_t firstField = 0;  // raw, quotes removed
  std::uint32_t fieldCount = 0;
};

// The path of a directory id (%11%), or nothing when the machine has none for it.
using InfDirIds = std::function<std::optional<std::u16string>(unsigned id)>;

class InfFile {
 public:
  std::size_t SectionCount() const { return sections_.size(); }
  std::u16string_view SectionName(std::size_t section) const { return Text(sections_[section].name); }
  // The section called `name`, without regard to case; duplicates were merged.
  std::optional<std::size_t> FindSection(std::u16string_view name) const;

  std::size_t LineCount(std::size_t section) const { return sections_[section].lineCount; }
  const InfLine& Line(std::size_t section, std::size_t line) const {
    return lines_[sections_[section].firstLine + line];
  }
  std::u16string_view Key(const InfLine& line) const { return Text(line.key); }
  std::u16string_view Field(const InfLine& line, std::size_t field) const {
    return Text(fields_[line.firstField + field]);
  }

  // The first line of `section` whose key, after substitution, is `key`
  // (without regard to case).
  std::optional<std::size_t> FindKey(std::size_t section, std::u16string_view key,
                                     const InfDirIds* dirids = nullptr) const;

  // Appends `raw` with %strkey% replaced from [Strings] (first match, not
  // recursive, %% is %, an unknown key stays as written) and, for a key that
  // [Strings] lacks, %dirid% replaced by the directory's path; a path's final
  // backslash is dropped when the text goes on with one. At most
  // kInfMaxFieldChars characters are appended.
  void Substitute(std::u16string_view raw, std::u16string* out, const InfDirIds* dirids = nullptr) const;
  std::u16string Substitute(std::u16string_view raw, const InfDirIds* dirids = nullptr) const;
  // The line's fields substituted and joined with "," (SetupGetLineTextW's text).
  std::u16string LineText(const InfLine& line, const InfDirIds* dirids = nullptr) const;

 private:
  friend class InfReader;
  struct Section {
    InfSpan name;
    std::uint32_t firstLine = 0;
    std::uint32_t lineCount = 0;
  };
  std::u16string_view Text(InfSpan s) const { return std::u16string_view(text_).substr(s.offset, s.length); }
  const InfLine* FindString(std::u16string_view key) const;

  std::u16string text_;
  std::vector<InfSpan> fields_;
  std::vector<InfLine> lines_;                // grouped by section, file order within one
  std::vector<Section> sections_;             // in the order they first appear
  std::vector<std::uint32_t> sectionsByName_; // section indexes, by upper-cased name
  std::vector<std::uint32_t> strings_;        // [Strings] lines with a key, by upper-cased key, then file order
};

// Why a file does not open.
enum class InfError {
  kTooLarge,            // over kInfMaxBytes
  kTooManyLines,        // over kInfMaxLines
  kUnclosedSection,     // a section header with no "]" on its line
  kSectionNameTooLong,  // over kInfMaxSectionName characters
  kTooManyFields,       // a line with over kInfMaxFieldsPerLine fields, or a file with over kInfMaxFields
  kTextBeforeSection,   // text before the first section, in a file without [Strings]
  kWrongStyle,          // WIN4 asked for, and no $Chicago$, $Windows NT$ or $Windows 95$ signature
};

struct InfRejection {
  InfError reason = InfError::kTooLarge;
  unsigned line = 0;  // where the error is, from 1; 0 for the whole file
};

// A few words for a person ("section header without ]", ...).
const char* Describe(InfError error);

// Bytes to text: UTF-16LE (with or without BOM), UTF-8 with BOM, else
// Windows-1252; a Ctrl-Z ends the text.
std::u16string DecodeInfText(const std::vector<std::uint8_t>& bytes);
// Parses and, when requireWin4, checks the WIN4 signature. With WIN4, a file
// without a single section is of the wrong style rather than a file of stray
// text, as SetupAPI reports it.
Parsed<InfFile, InfRejection> ParseInf(const std::vector<std::uint8_t>& bytes, bool requireWin4);

}  // namespace offline
