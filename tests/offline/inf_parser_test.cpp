// INF files that do not open, each with its reason and line; the line texts
// of files that do are the setup API scenario tests' business.
#include "platform/offline/formats/inf_parser.h"

#include "platform/offline/formats/char_search.h"

#include <gtest/gtest.h>

#include <algorithm>
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
  ASSERT_EQ(parsed->SectionCount(), 3u);
  const auto s = parsed->FindSection(u"S");
  ASSERT_TRUE(s);
  EXPECT_EQ(parsed->SectionName(*s), u"S");
  ASSERT_EQ(parsed->LineCount(*s), 2u);
  EXPECT_EQ(parsed->Key(parsed->Line(*s, 1)), u"B");
}

}  // namespace

// A line that goes on below takes the next line in whole, even one that
// looks like a section header; sections are read lazily, so the scan that
// finds the headers and the parse of a section's lines must agree on it.
TEST(InfParser, ContinuedLinesSwallowWhatLooksLikeAHeader) {
  const struct {
    const char* name;
    std::string body;
    std::u16string text;  // of [S] K
    bool hasT;
  } cases[] = {
      {"continued into [T", "[S]\r\nK=a,\\\r\n[T\r\n", u"a,[T", false},
      {"continued into [T] with a comment", "[S]\r\nK=a \\ ; c\r\n[T]\r\n", u"a[T]", false},
      {"a quoted backslash does not continue", "[S]\r\nK=\"a\\\"\r\n[T]\r\nX=1\r\n", u"a\\", true},
      {"an unclosed quote ends with its line", "[S]\r\nK=\"a\n[T]\r\n", u"a", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto parsed = offline::ParseInf(Bytes(kVersion + c.body), true);
    ASSERT_TRUE(parsed);
    const auto s = parsed->FindSection(u"S");
    ASSERT_TRUE(s);
    const auto k = parsed->FindKey(*s, u"K");
    ASSERT_TRUE(k);
    EXPECT_EQ(parsed->LineText(parsed->Line(*s, *k)), c.text);
    EXPECT_EQ(parsed->FindSection(u"T").has_value(), c.hasT);
  }
}

// Files made to cost time or memory: each case ends with its answer, the work
// linear in the file (the bench times them at full size: bench/README.md).
TEST(InfParser, HostileFilesEndWithTheirAnswer) {
  auto repeat = [](const std::string& s, std::size_t n) {
    std::string out;
    out.reserve(s.size() * n);
    for (std::size_t i = 0; i < n; ++i) out += s;
    return out;
  };
  std::string manySections = kVersion, manyStrings = "[Strings]\r\n";
  for (int i = 0; i < 20000; ++i) {
    manySections += "[S" + std::to_string(i) + "]\r\nK=%s" + std::to_string(i) + "%\r\n";
    manyStrings += "s" + std::to_string(i) + "=v" + std::to_string(i) + "\r\n";
  }
  std::string merged = kVersion;
  for (int i = 0; i < 20000; ++i) merged += (i % 2 ? "[a]\r\nk" : "[A]\r\nk") + std::to_string(i) + "=x\r\n";
  const std::string percentField = repeat("%a%", 100);
  const std::string a(64, 'a');
  const struct {
    const char* name;
    std::string text;
    const char16_t* section;
    std::u16string key;
    std::size_t textLength;  // of the line; npos: the line is absent
    std::u16string textStart;
  } cases[] = {
      {"20,000 sections, their strings at the end", manySections + manyStrings, u"s19999", u"K", 6, u"v19999"},
      {"20,000 headers of one section in two cases", merged, u"a", u"K19999", 1, u"x"},
      {"20,000 equal string keys: the first counts",
       kVersion + "[S]\r\nK=%a%\r\n[Strings]\r\n" + repeat("a=1\r\n", 20000), u"S", u"K", 1, u"1"},
      {"2,000 fields full of %a%, each cut at 4,096",
       kVersion + "[S]\r\nK=" + repeat(percentField + ",", 1999) + percentField + "\r\n[Strings]\r\na=" + a + "\r\n",
       u"S", u"K", 2000 * offline::kInfMaxFieldChars + 1999, u"aaaa"},
      {"one line of 2 MB", kVersion + "[S]\r\nK=" + std::string(2u << 20, 'v') + "\r\n", u"S", u"K",
       offline::kInfMaxFieldChars, u"vvv"},
      {"1 MB of backslashes before a letter", kVersion + "[S]\r\nK=" + std::string(1u << 20, '\\') + "x\r\n", u"S",
       u"K", offline::kInfMaxFieldChars, u"\\\\\\"},
      {"1 MB of backslashes to the end of the line",
       kVersion + "[S]\r\nK=a" + std::string(1u << 20, '\\') + "\r\nb\r\n", u"S", u"K", 2, u"ab"},
      {"200,000 unclosed percent signs", kVersion + "[S]\r\nK=" + std::string(200000, '%') + "a\r\n", u"S", u"K",
       offline::kInfMaxFieldChars / 2, u"%%%"},  // the raw field is cut first, then %% is %
      {"a string that names itself", kVersion + "[S]\r\nK=%loop%\r\n[Strings]\r\nloop=%loop%\r\n", u"S", u"K", 6,
       u"%loop%"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto parsed = offline::ParseInf(Bytes(c.text), true);
    ASSERT_TRUE(parsed) << offline::Describe(parsed.reason().reason) << " at " << parsed.reason().line;
    const auto section = parsed->FindSection(c.section);
    ASSERT_TRUE(section);
    const auto line = parsed->FindKey(*section, c.key);
    ASSERT_TRUE(line);
    const std::u16string text = parsed->LineText(parsed->Line(*section, *line));
    EXPECT_EQ(text.size(), c.textLength);
    EXPECT_EQ(text.substr(0, c.textStart.size()), c.textStart);
  }
}

TEST(InfParser, HostileFilesRefusedAtTheirLimits) {
  const std::string fields = "[S]\r\nK=" + std::string(offline::kInfMaxFieldsPerLine - 1, ',') + "\r\n";
  std::string tooManyFields = kVersion;
  const std::size_t linesNeeded = offline::kInfMaxFields / offline::kInfMaxFieldsPerLine + 1;
  for (std::size_t i = 0; i < linesNeeded; ++i) tooManyFields += fields;
  const struct {
    const char* name;
    std::string text;
    InfError reason;
    unsigned line;
  } cases[] = {
      {"more lines than the limit", kVersion + std::string(offline::kInfMaxLines, '\n'), InfError::kTooManyLines,
       static_cast<unsigned>(offline::kInfMaxLines + 1)},
      {"more fields in the file than the limit", tooManyFields, InfError::kTooManyFields,
       static_cast<unsigned>(2 + 2 * linesNeeded)},
      {"4 MB of NUL bytes: no section, so no signature", std::string(4u << 20, '\0'), InfError::kWrongStyle, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto parsed = offline::ParseInf(Bytes(c.text), true);
    ASSERT_FALSE(parsed);
    EXPECT_EQ(parsed.reason().reason, c.reason);
    EXPECT_EQ(parsed.reason().line, c.line);
  }
}

// The scanner's block-wise searches against the obvious loop: the sought
// character at every place in and after the 16-byte blocks, every start, and
// between them commas to count and what must never match: bytes of 0x80 and
// above, NULs, blanks, UTF-16 units with a sought character in one half.
template <typename Char>
void ExpectSearchesAgreeWithLoop(std::basic_string_view<Char> t) {
  auto loop = [t](std::size_t from, std::basic_string_view<Char> set, std::size_t* commas = nullptr) {
    std::size_t i = from;
    for (; i < t.size() && set.find(t[i]) == set.npos; ++i) {
      if (commas && t[i] == Char(',')) ++*commas;
    }
    return std::min(i, t.size());
  };
  const Char steers[] = {'\n', '"', ';', '\\'}, quote[] = {'"', '\n'}, close[] = {']', '\n'};
  for (std::size_t from = 0; from <= t.size() + 1; ++from) {
    SCOPED_TRACE(testing::Message() << "size " << t.size() << ", from " << from);
    std::size_t commas = 5, wanted = 5;  // the count adds to what is there
    ASSERT_EQ((offline::CountUntilFirstOf<',', '\n', '"', ';', '\\'>(t, from, &commas)),
              loop(from, {steers, 4}, &wanted));
    ASSERT_EQ(commas, wanted);
    ASSERT_EQ((offline::FindFirstOf<'"', '\n'>(t, from)), loop(from, {quote, 2}));
    ASSERT_EQ((offline::FindFirstOf<']', '\n'>(t, from)), loop(from, {close, 2}));
    ASSERT_EQ(offline::FindFirstOf<'\n'>(t, from), loop(from, {close + 1, 1}));
  }
}

TEST(InfParser, CharSearchesAgreeWithTheObviousLoop) {
  const std::string fill("a\x80,\xff\0\r\t= \xe9[,", 12);
  const std::u16string fill16(u"a\u0080\u010a,\u0a00\u223b\u5c22\u2c00\uffff\0\r\t ", 13);
  const std::string sought = "\n\";\\,=]";
  for (std::size_t n = 0; n <= 41; ++n) {
    for (std::size_t at = 0; at <= n; ++at) {  // at n: nothing sought in the text
      std::string t;
      std::u16string t16;
      for (std::size_t i = 0; i < n; ++i) {
        t += i == at ? sought[(at + n) % sought.size()] : fill[i % fill.size()];
        t16 += i == at ? char16_t(t.back()) : fill16[i % fill16.size()];
      }
      ExpectSearchesAgreeWithLoop(std::string_view(t));
      ExpectSearchesAgreeWithLoop(std::u16string_view(t16));
      if (HasFatalFailure()) return;
    }
  }
}
