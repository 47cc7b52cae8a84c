// Token splitting, the in-place text helpers and the two configuration rules
// that look at nothing but the text.
#include <gtest/gtest.h>

#include <string>

#include "probes/param_text.h"
#include "probes/system_probe.h"
#include "probes/token_list.h"

namespace {

std::u16string Tok(const CTokenList& list, int i) {
  const char16_t* t = list.TokenAt(i);
  return t ? std::u16string(t) : std::u16string(u"<null>");
}

TEST(TokenListTest, SplitSkipsEmptyPiecesAndEndsWithNull) {
  CTokenList list;
  EXPECT_EQ(list.Split(u";;A=1;;B=2;", u';'), 1);
  EXPECT_EQ(Tok(list, 0), u"A=1");
  EXPECT_EQ(Tok(list, 1), u"B=2");
  EXPECT_EQ(list.TokenAt(2), nullptr);
  EXPECT_EQ(list.TokenAt(-1), nullptr);
  EXPECT_EQ(list.TokenAt(50), nullptr);
}

TEST(TokenListTest, EmptyTextStoresNothingAndDropsOldTokens) {
  CTokenList list;
  list.Split(u"X;Y", u';');
  EXPECT_EQ(list.Split(u"", u';'), 0);
  EXPECT_EQ(list.TokenAt(0), nullptr);
  EXPECT_EQ(list.Split(u";;;", u';'), 1);
  EXPECT_EQ(list.Count(), 0);
}

TEST(TokenListTest, KeepsAtMostFiftyTokens) {
  std::u16string text;
  for (int i = 0; i < 60; ++i) text += u"T" + std::u16string(1, char16_t(u'A' + i % 26)) + u";";
  CTokenList list;
  list.Split(text.c_str(), u';');
  EXPECT_EQ(list.Count(), 50);
  EXPECT_EQ(Tok(list, 49), u"TX");  // 49 % 26 = 23
}

TEST(TokenListTest, SetTokenAtReplacesAndIgnoresBadIndexes) {
  CTokenList list;
  list.SetTokenAt(0, u"oem1.");
  list.SetTokenAt(0, u"oem2.");
  list.SetTokenAt(50, u"never");
  list.SetTokenAt(-1, u"never");
  EXPECT_EQ(Tok(list, 0), u"oem2.");
  EXPECT_EQ(list.Count(), 1);
}

TEST(ParamTextTest, RemoveBlanksKeepsOtherWhiteSpace) {
  char16_t t[] = u" Queue Depth =\t32 ";
  RemoveBlanks(t);
  EXPECT_EQ(std::u16string(t), u"QueueDepth=\t32");
}

TEST(ParamTextTest, ValueAfterEqualsTakesEverythingAfterTheFirstEquals) {
  char16_t dest[260] = u"keep";
  EXPECT_EQ(ValueAfterEquals(u"QUEUEDEPTH", dest), 0);
  EXPECT_EQ(std::u16string(dest), u"keep");
  EXPECT_EQ(ValueAfterEquals(u"A=B=C", dest), 1);
  EXPECT_EQ(std::u16string(dest), u"B=C");
  EXPECT_EQ(ValueAfterEquals(u"A=", dest), 1);
  EXPECT_EQ(std::u16string(dest), u"");
}

TEST(ParamTextTest, ValueAfterEqualsNeverWritesPastTheDestination) {
  char16_t small[4] = {u'x', u'x', u'x', u'x'};
  EXPECT_EQ(ValueAfterEquals(u"K=123456", small, 4), 1);
  EXPECT_EQ(std::u16string(small), u"123");
}

TEST(ParamTextTest, ClearTextStopsAtTerminatorOrLimit) {
  char16_t t[] = u"abc\0de";
  ClearText(t, 260);
  EXPECT_EQ(t[0], 0);
  EXPECT_EQ(t[2], 0);
  EXPECT_EQ(t[4], u'd');  // past the terminator: untouched
  char16_t u[] = u"abcdef";
  ClearText(u, 2);
  EXPECT_EQ(u[1], 0);
  EXPECT_EQ(u[2], u'c');
}

TEST(ConfigRuleTest, TransparentAndSinglePathRules) {
  struct Case {
    const char16_t* text;
    int transparent;
    int single;
  };
  const Case cases[] = {
      {u"NODETIMEOUT=60", 1, 0},
      {u"NODETIMEOUT=60;HLINKTIMEOUT=30", 0, 0},  // LINKTIMEOUT found inside HLINKTIMEOUT
      {u"NODETIMEOUT=60;LINKTIMEOUT=60;HLINKTIMEOUT=5", 1, 0},
      {u"nodetimeout = 60 ; linktimeout = 60", 1, 0},
      {u"NODETIMEOUT=255;LINKTIMEOUT=500", 0, 1},
      {u"NODETIMEOUT=255;LINKTIMEOUT=500;HLINKTIMEOUT=5", 0, 1},
      {u"LINKTIMEOUT=30", 0, 0},
      {u"", 0, 0},
  };
  CSystemProbe probe;
  for (const Case& c : cases) {
    std::u16string before = c.text;
    EXPECT_EQ(probe.IsTransparentConfig(c.text), c.transparent) << std::string(before.begin(), before.end());
    EXPECT_EQ(probe.IsSinglePathConfig(c.text), c.single) << std::string(before.begin(), before.end());
    EXPECT_EQ(std::u16string(c.text), before);
  }
}

TEST(ConfigRuleTest, OverlongTextIsCutNotOverrun) {
  std::u16string huge(1000, u'X');
  huge += u";NODETIMEOUT=60";
  CSystemProbe probe;
  EXPECT_EQ(probe.IsTransparentConfig(huge.c_str()), 0);  // the setting lies past the 259 characters kept
}

}  // namespace
