// Reading INF files the way SetupAPI does, as far as SetupFindFirstLineW and
// SetupGetLineTextW show them. Section and key names compare without regard
// to case (a-z), as text::EqualsNoCaseAZ does.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/offline/parsed.h"

namespace offline {

// Limits against hostile files.
constexpr std::size_t kInfMaxBytes = 16u * 1024u * 1024u;
constexpr std::size_t kInfMaxLines = 1000000;
constexpr std::size_t kInfMaxFieldsPerLine = 4096;
constexpr std::size_t kInfMaxFieldChars = 4096;  // Windows Vista and later
constexpr std::size_t kInfMaxSectionName = 255;

struct InfLine {
  bool hasKey = false;
  std::u16string key;                 // raw, before %strkey% substitution
  std::vector<std::u16string> fields; // raw, quotes removed
};

struct InfSection {
  std::u16string name;
  std::vector<InfLine> lines;
};

struct InfFile {
  std::vector<InfSection> sections;  // duplicates merged, first position kept
  const InfSection* Find(std::u16string_view name) const;
  // %strkey% substitution from [Strings].
  std::u16string Substitute(std::u16string_view raw) const;
};

// Why a file does not open.
enum class InfError {
  kTooLarge,            // over kInfMaxBytes
  kTooManyLines,        // over kInfMaxLines
  kUnclosedSection,     // a section header with no "]" on its line
  kSectionNameTooLong,  // over kInfMaxSectionName characters
  kTooManyFields,       // a line with over kInfMaxFieldsPerLine fields
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
// Parses and, when requireWin4, checks the WIN4 signature.
Parsed<InfFile, InfRejection> ParseInf(const std::vector<std::uint8_t>& bytes, bool requireWin4);

}  // namespace offline
