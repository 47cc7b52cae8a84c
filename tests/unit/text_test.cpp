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

TEST(TextTest, Utf8RoundTripAndInvalidInput) {
  std::u16string s = u"Gr\u00fc\u00dfe \U0001F600";
  EXPECT_EQ(text::FromUtf8(text::ToUtf8(s)), s);
  EXPECT_EQ(text::FromUtf8("\xff" "a"), u"\ufffda");
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
