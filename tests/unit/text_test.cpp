#include <gtest/gtest.h>

#include "platform/text.h"

namespace {

TEST(FormatTest, ConversionsPaddingAndTruncation) {
  char16_t buf[800];
  text::Format(buf, u"%2d|%d|%u|%%|%-6s|%6s", 5, -12, 4000000000u, u"ab", u"cd");
  EXPECT_EQ(std::u16string(buf), u" 5|-12|4000000000|%|ab    |    cd");

  char16_t small[5];
  EXPECT_EQ(text::Format(small, u"%s", u"abcdefg"), 4u);
  EXPECT_EQ(std::u16string(small), u"abcd");

  // A wrong or missing argument shows the conversion instead of reading garbage;
  // the mismatched argument is still used up.
  text::Format(buf, u"[%d][%s]", u"text");
  EXPECT_EQ(std::u16string(buf), u"[%d][%s]");
}

TEST(TextTest, UpperCasesOnlyAsciiLetters) {
  EXPECT_EQ(text::UpperCaseAZ(u"queueDepth=\u00e4z"), u"QUEUEDEPTH=\u00e4Z");
  EXPECT_TRUE(text::EqualsNoCaseAZ(u"Oem1.INF", u"oem1.inf"));
  EXPECT_FALSE(text::EqualsNoCaseAZ(u"\u00e4", u"\u00c4"));
}

// Names as the registry and NTFS compare them. Source of every row: Microsoft's
// Windows 8 upper-case mapping table ([MS-UCODEREF] 3.1.5.3), which maps one
// UTF-16 unit to one and only where the lower case leads back.
TEST(TextTest, NamesCompareThroughWindowsUpperCaseTable) {
  const struct {
    const char16_t* a;
    const char16_t* b;
    bool same;
  } cases[] = {
      {u"Oem1.INF", u"oem1.inf", true},
      {u"ÄÖÜ", u"äöü", true},        // ÄÖÜ = äöü
      {u"ПРИВЕТ", u"привет", true},  // ПРИВЕТ = привет
      {u"Ÿ", u"ÿ", true},            // Ÿ = ÿ, from Latin-1 into Latin Extended-A
      {u"ΣΑ", u"σα", true},          // ΣΑ = σα
      {u"Ⴀ", u"ⴀ", true},            // Georgian Asomtavruli = Nuskhuri
      {u"Ⓐ", u"ⓐ", true},            // circled Ⓐ = ⓐ
      {u"Ａ", u"ａ", true},          // fullwidth Ａ = ａ
      {u"I", u"ı", false},           // dotless ı stays
      {u"S", u"ſ", false},           // long ſ stays
      {u"Μ", u"µ", false},           // micro sign µ is no Greek μ
      {u"Σ", u"ς", false},           // final ς stays
      {u"SS", u"ß", false},          // ß has no one-unit upper case
      {u"Ǆ", u"ǅ", false},           // title-case ǅ stays
      {u"Ა", u"ა", false},         // Mtavruli came after the table
      {u"Ä", u"ÄÄ", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(text::EqualsNoCase(c.a, c.b), c.same) << text::ToUtf8(c.a) << " / " << text::ToUtf8(c.b);
    EXPECT_EQ(text::Upcased(c.a) == text::Upcased(c.b), c.same);
  }
  EXPECT_EQ(text::Upcase(u'z'), u'Z');
  EXPECT_EQ(text::Upcase(u'ä'), u'Ä');
  EXPECT_EQ(text::Upcase(static_cast<char16_t>(0xD801)),
            static_cast<char16_t>(0xD801));  // surrogates map to themselves
}

TEST(TextTest, Utf8RoundTripAndInvalidInput) {
  std::u16string s = u"Gr\u00fc\u00dfe \U0001F600";
  EXPECT_EQ(text::FromUtf8(text::ToUtf8(s)), s);
  EXPECT_EQ(text::FromUtf8("\xff"
                           "a"),
            u"\ufffda");
  EXPECT_EQ(text::ToUtf8(u"\xd800x"), "\xef\xbf\xbdx");
}

TEST(TextTest, CopyAndAppendBoundToCapacity) {
  char16_t buf[6] = u"ab";
  text::Append(buf, u"cdefgh");
  EXPECT_EQ(std::u16string(buf), u"abcde");
  text::Copy(buf, u"xy");
  EXPECT_EQ(std::u16string(buf), u"xy");
}

}  // namespace
