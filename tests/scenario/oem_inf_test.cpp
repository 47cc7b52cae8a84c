// The OEM INF search: which copies in the inf folder name a driver, in the
// order the file system lists them, with the short-name and .pnf rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "probes/oem_inf.h"
#include "tests/support/scenario.h"

namespace {

using testing_support::Scenario;

std::string Inf(const std::string& body) { return "[Version]\r\nSignature=\"$Windows NT$\"\r\n" + body; }
std::string Catalog(const std::string& cat) { return Inf("CatalogFile=" + cat + "\r\n"); }

std::vector<std::u16string> Tokens(const CTokenList& list) {
  std::vector<std::u16string> out;
  for (int i = 0; list.TokenAt(i); ++i) out.push_back(list.TokenAt(i));
  return out;
}

class OemInfTest : public ::testing::Test {
 protected:
  std::u16string InfPath(const char16_t* name) { return s.WindowsDir() + u"\\inf\\" + name; }
  void Put(const char16_t* name, const std::string& content) { s.WriteText(InfPath(name), content); }
  unsigned Find(const char16_t* match, const char16_t* section = u"version", const char16_t* key = u"CatalogFile") {
    return FindOemInfs(u"Oem*.inf", match, list, section, key, 1);
  }
  Scenario s;
  CTokenList list;
};

TEST_F(OemInfTest, CatalogMatchKeepsTheDotAndIgnoresCase) {
  Put(u"oem1.inf", Catalog("elxstor.cat"));
  Put(u"oem2.inf", Catalog("ql2300.cat"));
  Put(u"oem3.inf", Catalog("OtherElxstor.CAT"));                 // substring match
  Put(u"oem4.inf", Inf(""));                                     // section without the key
  Put(u"oem6.inf", "[Strings]\r\nCatalogFile=elxstor.cat\r\n");  // key without the section
  s.Apply();
  EXPECT_EQ(Find(u"elxstor.CAT"), 2u);
  std::vector<std::u16string> found = Tokens(list);
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (std::vector<std::u16string>{u"oem1.", u"oem3."}));
  EXPECT_EQ(Find(u"ELXSTOR.CAT"), 2u);
  EXPECT_EQ(Find(u"QL2300.CAT"), 1u);
  EXPECT_EQ(Tokens(list), (std::vector<std::u16string>{u"oem2."}));
}

TEST_F(OemInfTest, OnlyTheFirstKeyLineOfTheSectionCounts) {
  Put(u"oem7.inf", Inf("[TEVOCCL_INST]\r\nAddReg=base.reg\r\nAddReg=tevoccl.reg\r\n"));
  Put(u"oem8.inf", Inf("[tevoccl_inst]\r\naddreg = tevoccl.reg, other\r\n"));
  s.Apply();
  EXPECT_EQ(Find(u"CCL", u"TEVOCCL_INST", u"AddReg"), 1u);
  EXPECT_EQ(Tokens(list), (std::vector<std::u16string>{u"oem8."}));
}

TEST_F(OemInfTest, LongNamesNeverOpenedAndPrecompiledSkipped) {
  Put(u"oem100.inf", Catalog("carnel.cat"));
  Put(u"oem1000.inf", Catalog("carnel.cat"));
  Put(u"oem5.pnf", Catalog("carnel.cat"));
  s.Apply();
  EXPECT_EQ(Find(u"CARNEL"), 1u);
  EXPECT_EQ(Tokens(list), (std::vector<std::u16string>{u"oem100."}));
}

TEST_F(OemInfTest, OemSetupEndsTheSearch) {
  if (Scenario::IsWine()) GTEST_SKIP() << "Wine lists a folder in the host's order, not NTFS order";
  Put(u"oem1.inf", Catalog("carnel.cat"));
  Put(u"oem2.inf", Catalog("carnel.cat"));
  Put(u"oemsetup.inf", Catalog("carnel.cat"));
  Put(u"oemz.inf", Catalog("carnel.cat"));  // listed after oemsetup.inf
  s.Apply();
  EXPECT_EQ(Find(u"CARNEL"), 2u);
  EXPECT_EQ(Tokens(list), (std::vector<std::u16string>{u"oem1.", u"oem2."}));
}

TEST_F(OemInfTest, ListEmptiedFirstEvenWithoutMatches) {
  Put(u"oem1.inf", Catalog("carnel.cat"));
  s.Apply();
  list.SetTokenAt(0, u"stale.");
  list.SetTokenAt(1, u"stale.");
  EXPECT_EQ(Find(u"TEVOCCL"), 0u);
  EXPECT_EQ(list.TokenAt(0), nullptr);
  EXPECT_EQ(list.TokenAt(1), nullptr);
}

TEST_F(OemInfTest, OverlongLineIsNoMatch) {
  Put(u"oem1.inf", Catalog(std::string(300, 'x') + "carnel.cat"));
  Put(u"oem2.inf", Catalog(std::string(250, 'x') + "carnel.cat"));  // 260 characters: no room for the terminator
  Put(u"oem3.inf", Catalog(std::string(248, 'x') + "carnel.cat"));  // 258 characters: fits
  s.Apply();
  EXPECT_EQ(Find(u"CARNEL"), 1u);
  EXPECT_EQ(Tokens(list), (std::vector<std::u16string>{u"oem3."}));
}

TEST_F(OemInfTest, MatchesPastFiftyAreCountedNotStored) {
  for (int i = 1; i <= 52; ++i) {
    std::u16string name = u"oem" + std::u16string(1, u'0' + i / 10) + std::u16string(1, u'0' + i % 10) + u".inf";
    s.WriteText(InfPath(name.c_str()), Catalog("carnel.cat"));
  }
  s.Apply();
  EXPECT_EQ(Find(u"CARNEL"), 52u);
  EXPECT_EQ(list.Count(), 50);
}

TEST_F(OemInfTest, MissingInfFolderGivesZero) {
  if (Scenario::IsWine()) GTEST_SKIP() << "Wine's inf folder always exists";
  s.Apply();
  list.SetTokenAt(0, u"stale.");
  EXPECT_EQ(Find(u"CARNEL"), 0u);
  EXPECT_EQ(list.TokenAt(0), nullptr);
}

}  // namespace
