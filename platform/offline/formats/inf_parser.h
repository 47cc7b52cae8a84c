// Reading INF files the way SetupAPI does, as far as SetupFindFirstLineW and
// SetupGetLineTextW show them. Section and key names compare without regard
// to case (a-z), as text::EqualsNoCaseAZ does.
//
// A file is read in two steps. Opening it scans the whole text once, as
// SetupAPI must to refuse a damaged file: line by line, through quotes,
// comments and continued lines, finding the section headers and checking the
// limits, without keeping any token. A section's lines are parsed when a
// caller first asks for them; their keys and fields are spans of one buffer,
// so a file costs a handful of allocations however many lines it has, and
// every look-up is a binary search or one pass over a section. Single-byte
// text (ANSI, UTF-8) is scanned as it is and decoded one section at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
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
constexpr std::size_t kInfMaxFields = 2000000;   // in the whole file
constexpr std::size_t kInfMaxFieldChars = 4096;  // Windows Vista and later; longer text is cut
constexpr std::size_t kInfMaxSectionName = 255;

// A stretch of a parsed file's text.
struct InfSpan {
  std::uint32_t offset = 0;
  std::uint32_t length = 0;
  std::uint32_t chunk = 0;  // which buffer: the section names', or a read section's
};

struct InfLine {
  InfSpan key;  // raw, before %strkey% substitution
  bool hasKey = false;
  std::uint32_t firstField = 0;  // raw, quotes removed
  std::uint32_t fieldCount = 0;
};

// The path of a directory id (%11%), or nothing when the machine has none for it.
using InfDirIds = std::function<std::optional<std::u16string>(unsigned id)>;

// Where an INF file's sections lie in its text, as the scan at open found
// it: enough to read any section later from the file itself.
struct InfLayout {
  enum class Encoding { kWindows1252, kUtf8, kUtf16 };
  static constexpr std::uint32_t kNoRange = 0xFFFFFFFFu;
  // One place a section appears: where its lines lie in the text (bytes, or
  // UTF-16 units), chained in file order.
  struct Range {
    std::uint32_t start = 0;
    std::uint32_t end = 0;
    std::uint32_t next = kNoRange;
  };
  struct Section {
    InfSpan name;  // in `names`
    std::uint32_t firstRange = kNoRange;
    std::uint32_t lastRange = kNoRange;
  };

  Encoding encoding = Encoding::kWindows1252;
  std::uint32_t textOffset = 0;  // where the text starts in the file (after a byte-order mark)
  std::u16string names;
  std::vector<Range> ranges;
  std::vector<Section> sections;              // in the order they first appear
  std::vector<std::uint32_t> sectionsByName;  // section indexes, by upper-cased name

  // The section called `name`, without regard to case.
  std::optional<std::size_t> FindSection(std::u16string_view name) const;
  // The memory it holds, roughly.
  std::size_t Bytes() const;
};

// Reads `length` bytes of a file at `offset`; false when it cannot.
using InfReadAt = std::function<bool(std::uint64_t offset, std::size_t length, std::string* out)>;

class InfFile {
 public:
  // A file known from an earlier scan, each section's text read from the
  // file when the section is first asked for.
  InfFile(std::shared_ptr<const InfLayout> layout, InfReadAt read);
  const std::shared_ptr<const InfLayout>& Layout() const { return layout_; }

  std::size_t SectionCount() const { return layout_->sections.size(); }
  std::u16string_view SectionName(std::size_t section) const { return Text(layout_->sections[section].name); }
  // The section called `name`, without regard to case; duplicates were merged.
  std::optional<std::size_t> FindSection(std::u16string_view name) const { return layout_->FindSection(name); }

  // A section's lines are read when they are first asked for.
  std::size_t LineCount(std::size_t section) const { return Lines(section).count; }
  const InfLine& Line(std::size_t section, std::size_t line) const { return lines_[Lines(section).first + line]; }
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
  friend class InfSkeleton;
  InfFile() = default;
  struct LineSpan {
    std::uint32_t first = 0;
    std::uint32_t count = 0;
  };

  std::u16string_view Text(InfSpan s) const {
    return std::u16string_view(s.chunk == 0 ? layout_->names : text_[s.chunk - 1]).substr(s.offset, s.length);
  }
  const LineSpan& Lines(std::size_t section) const;
  const InfLine* FindString(std::u16string_view key) const;
  std::u16string Decode(const InfLayout::Range& range) const;
  void IndexStrings() const;

  std::shared_ptr<const InfLayout> layout_;
  // The file's text as it came, when it was scanned here (else read range by
  // range): single bytes (the file, the text from the layout's textOffset to
  // textEnd_, cut at Ctrl-Z), or UTF-16 units.
  std::vector<std::uint8_t> bytes_;
  std::size_t textEnd_ = 0;
  std::u16string units_;
  InfReadAt read_;
  // The keys and fields of each section read, in a buffer of its own (span
  // chunk n is text_[n - 1]; chunk 0 the layout's names). Filled as sections
  // are asked for (a parsed file is used by one caller at a time); what was
  // handed out stays where it is when another section is read.
  mutable std::vector<std::optional<LineSpan>> readSections_;
  mutable std::deque<std::u16string> text_;
  mutable std::deque<InfSpan> fields_;
  mutable std::deque<InfLine> lines_;
  mutable std::optional<std::vector<std::uint32_t>> strings_;  // [Strings] lines with a key, by upper-cased key
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
// text, as SetupAPI reports it. Given the bytes to keep, the file holds them
// instead of a copy.
Parsed<InfFile, InfRejection> ParseInf(std::vector<std::uint8_t>&& bytes, bool requireWin4);
Parsed<InfFile, InfRejection> ParseInf(const std::vector<std::uint8_t>& bytes, bool requireWin4);

}  // namespace offline
