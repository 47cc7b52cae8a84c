// Reading INF files the way SetupAPI does, as far as SetupFindFirstLineW and
// SetupGetLineTextW show them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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

enum class InfStatus { Ok, SyntaxError, WrongStyle };

struct InfParseResult {
  InfStatus status = InfStatus::SyntaxError;
  unsigned errorLine = 0;
  InfFile file;
};

// Bytes to text: UTF-16LE (with or without BOM), UTF-8 with BOM, else Windows-1252.
std::u16string DecodeInfText(const std::vector<std::uint8_t>& bytes);
// Parses and checks the WIN4 signature when requireWin4.
InfParseResult ParseInf(const std::vector<std::uint8_t>& bytes, bool requireWin4);

bool EqualNoCase(std::u16string_view a, std::u16string_view b);

}  // namespace offline
