// INF files that do not open, each with its reason and line; the line texts
// of files that do are the setup API scenario tests' business.
#include "platform/offline/inf_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using offline::InfError;

std::vector<std::uint8_t> Bytes(const std::string& s) { return std::vector<std::uint8_t>(s.begin(), s.end()); }

const std::string kVersion = "[Version]\r\nSignature=\"$Windows NT$\"\r\n";

TEST(InfParser, RejectionsSayWhyAndWhere) {
  const std::string manyFields = "[S]\r\nK=" + std::string(offline::kInfMaxFieldsPerLine, ',') + "\r\n";
  const struct {
    const char* name;
    std::string text;
    bool win4;
    InfError reason;
    unsigned line;
  } cases[] = {
      {"section header without ]", kVersion + "\r\n[Strings\r\nA=1\r\n", false, InfError::kUnclosedSection, 4},
      {"] only on a later line", kVersion + "[S\r\n]\r\n", false, InfError::kUnclosedSection, 3},
      {"section name too long", kVersion + "[" + std::string(offline::kInfMaxSectionName + 1, 'n') + "]\r\n", false,
       InfError::kSectionNameTooLong, 3},
      {"text before the first section", "; comment\r\nstray\r\n" + kVersion, false, InfError::kTextBeforeSection, 2},
      {"too many fields", kVersion + manyFields, false, InfError::kTooManyFields, 4},
      {"no [Version]", "[S]\r\nA=1\r\n", true, InfError::kWrongStyle, 0},
      {"no signature", "[Version]\r\nClass=System\r\n", true, InfError::kWrongStyle, 0},
      {"an unknown signature", "[Version]\r\nSignature=\"$Windows 3.1$\"\r\n", true, InfError::kWrongStyle, 0},
      {"the first Signature line counts", "[Version]\r\nSignature=$Unknown$\r\n[version]\r\nSignature=$Chicago$\r\n",
       true, InfError::kWrongStyle, 0},
  };
  for (const auto& c : cases) {
    const auto parsed = offline::ParseInf(Bytes(c.text), c.win4);
    ASSERT_FALSE(parsed) << c.name;
    EXPECT_EQ(parsed.reason().reason, c.reason) << c.name;
    EXPECT_EQ(parsed.reason().line, c.line) << c.name;
  }
  const auto tooLarge = offline::ParseInf(std::vector<std::uint8_t>(offline::kInfMaxBytes + 1, ' '), false);
  ASSERT_FALSE(tooLarge);
  EXPECT_EQ(tooLarge.reason().reason, InfError::kTooLarge);
}

TEST(InfParser, WhatStillOpens) {
  const struct {
    const char* name;
    std::string text;
  } cases[] = {
      {"text before the first section with [Strings]", "stray\r\n" + kVersion + "[Strings]\r\n"},
      {"comments and blank lines before the first section", "; c\r\n  \r\n\r\n" + kVersion},
      {"the longest section name", kVersion + "[" + std::string(offline::kInfMaxSectionName, 'n') + "]\r\n"},
      {"signature through a string key", "[Version]\r\nSignature=%sig%\r\n[Strings]\r\nsig=\"$CHICAGO$\"\r\n"},
      {"a section header cut off by Ctrl-Z after the signature", kVersion + "\x1a[broken\r\n"},
  };
  for (const auto& c : cases) {
    const auto parsed = offline::ParseInf(Bytes(c.text), true);
    EXPECT_TRUE(parsed) << c.name << ": " << (parsed ? "" : offline::Describe(parsed.reason().reason));
  }
}

TEST(InfParser, DuplicateSectionsMergeWithoutRegardToCase) {
  const auto parsed = offline::ParseInf(Bytes(kVersion + "[S]\r\nA=1\r\n[T]\r\n[s]\r\nB=2\r\n"), true);
  ASSERT_TRUE(parsed);
  ASSERT_EQ(parsed->sections.size(), 3u);
  const offline::InfSection* s = parsed->Find(u"S");
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->name, u"S");
  ASSERT_EQ(s->lines.size(), 2u);
  EXPECT_EQ(s->lines[1].key, u"B");
}

}  // namespace
