// CTextFile: exact bytes on disk for create/write and open-always/append, the
// formatted pieces, and the existence test.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/os.h"
#include "files/text_file.h"
#include "tests/support/scenario.h"

namespace {

using testing_support::Scenario;
using Bytes = std::vector<std::uint8_t>;

Bytes Utf16Le(const std::u16string& s) {
  Bytes out;
  for (char16_t c : s) {
    out.push_back(static_cast<std::uint8_t>(c & 0xFF));
    out.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  return out;
}

std::u16string TestPath(const Scenario& s) { return s.SystemDir().substr(0, 3) + u"QuillonTextFile.txt"; }

class TextFileTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (s.Exists(path)) s.Remove(path);
  }
  Scenario s;
  std::u16string path = TestPath(s);
};

TEST_F(TextFileTest, CreateEmptiesAnExistingFileAndWritesUtf16WithoutBom) {
  s.WriteFile(path, Bytes(40, 0x41));
  s.Apply();
  {
    CTextFile f;
    ASSERT_EQ(f.Create(path.c_str()), 1);
    EXPECT_EQ(f.Write(u"%s", u"abc"), 1);
    EXPECT_EQ(f.Close(), 1);
  }
  EXPECT_EQ(s.ReadFile(path), Utf16Le(u"abc"));
}

TEST_F(TextFileTest, AppendAfterOpenAlwaysKeepsTheOldBytes) {
  Bytes old = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  s.WriteFile(path, old);
  s.Apply();
  CTextFile f;
  ASSERT_EQ(f.OpenAlways(path.c_str()), 1);
  EXPECT_EQ(f.Append(u"\r\n"), 1);
  f.Close();
  Bytes expected = old;
  Bytes tail = Utf16Le(u"\r\n");
  expected.insert(expected.end(), tail.begin(), tail.end());
  EXPECT_EQ(s.ReadFile(path), expected);
}

TEST_F(TextFileTest, WriteAfterOpenAlwaysOverwritesAtTheStart) {
  Bytes old = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  s.WriteFile(path, old);
  s.Apply();
  CTextFile f;
  ASSERT_EQ(f.OpenAlways(path.c_str()), 1);
  EXPECT_EQ(f.Write(u"Z"), 1);
  f.Close();
  Bytes expected = old;
  expected[0] = u'Z';
  expected[1] = 0;
  EXPECT_EQ(s.ReadFile(path), expected);
}

TEST_F(TextFileTest, OpenAlwaysCreatesAMissingFile) {
  s.Apply();
  CTextFile f;
  ASSERT_EQ(f.OpenAlways(path.c_str()), 1);
  f.Append(u"%2d|%-4s|%d", 5, u"ab", -3);
  f.Append(u"%d%%", 100u);
  f.Close();
  EXPECT_EQ(s.ReadFile(path), Utf16Le(u" 5|ab  |-3100%"));
}

TEST_F(TextFileTest, LongPieceIsCutAt799Characters) {
  s.Apply();
  std::u16string piece(1000, u'x');
  CTextFile f;
  ASSERT_EQ(f.Create(path.c_str()), 1);
  EXPECT_EQ(f.Write(u"%s", piece), 1);
  f.Close();
  EXPECT_EQ(s.ReadFile(path).size(), 799u * 2);
}

TEST_F(TextFileTest, WritesOnAClosedObjectFailWithoutEffect) {
  s.Apply();
  CTextFile f;
  EXPECT_EQ(f.Write(u"a"), 0);
  EXPECT_EQ(f.Append(u"a"), 0);
  EXPECT_EQ(f.Close(), 1);
  ASSERT_EQ(f.Create(path.c_str()), 1);
  EXPECT_EQ(f.Close(), 1);
  EXPECT_EQ(f.Append(u"late"), 0);
  EXPECT_TRUE(s.ReadFile(path).empty());
}

TEST_F(TextFileTest, CreateInAMissingFolderFails) {
  s.Apply();
  CTextFile f;
  std::u16string bad = s.SystemDir().substr(0, 3) + u"NoSuchQuillonFolder\\x.txt";
  EXPECT_EQ(f.Create(bad.c_str()), 0);
  EXPECT_FALSE(f.IsOpen());
  EXPECT_EQ(f.Write(u"a"), 0);
}

TEST_F(TextFileTest, FileExistsOnlyForFilesThatOpen) {
  s.WriteText(s.DriversDir() + u"present.sys", "x");
  s.Apply();
  CTextFile f;
  EXPECT_EQ(f.FileExists((s.DriversDir() + u"present.sys").c_str()), 1);
  EXPECT_EQ(f.FileExists((s.DriversDir() + u"PRESENT.SYS").c_str()), 1);
  EXPECT_EQ(f.FileExists((s.DriversDir() + u"absent.sys").c_str()), 0);
  EXPECT_EQ(f.FileExists((s.SystemDir() + u"\\NoFolder\\absent.sys").c_str()), 0);
  // A failed probe must not leave an answer for the next one.
  EXPECT_EQ(f.FileExists((s.DriversDir() + u"present.sys").c_str()), 1);
}

}  // namespace

namespace {

// The names in the test file's folder that begin with its name: the file and
// any temporary file left beside it.
std::vector<std::string> Siblings(const std::u16string& path) {
  std::vector<std::string> names;
  os::WIN32_FIND_DATAW data{};
  os::HANDLE h = os::FindFirstFileW((path + u"*").c_str(), &data);
  if (h == os::INVALID_HANDLE_VALUE) return names;
  do {
    names.push_back(text::ToUtf8(data.cFileName));
  } while (os::FindNextFileW(h, &data));
  os::FindClose(h);
  return names;
}

// A write that fails (the handle closed behind the object's back stands for
// a full disk), or a target that cannot be replaced: what was there stays as
// it was, and no temporary file is left beside it.
TEST_F(TextFileTest, FailuresLeaveTheOldFileAndNoTemporaryFile) {
  const Bytes old = Utf16Le(u"old report");
  s.WriteFile(path, old);
  s.Apply();
  {
    CTextFile f;
    ASSERT_EQ(f.Create(path.c_str()), 1);
    EXPECT_EQ(f.Write(u"new text"), 1);
    os::CloseHandle(f.handle);
    EXPECT_EQ(f.Append(u"more"), 0);
    EXPECT_FALSE(f.IsOpen());
    EXPECT_EQ(f.LastFailure().step, "writing");
    EXPECT_EQ(f.Close(), 1);
  }
  EXPECT_EQ(s.ReadFile(path), old);
  EXPECT_EQ(Siblings(path), std::vector<std::string>{"QuillonTextFile.txt"});

  s.Remove(path);
  s.MakeDir(path);  // a folder cannot be replaced by the finished file
  {
    CTextFile f;
    ASSERT_EQ(f.Create(path.c_str()), 1);
    EXPECT_EQ(f.Write(u"new text"), 1);
    EXPECT_EQ(f.Close(), 0);
    EXPECT_FALSE(f.IsOpen());
    EXPECT_EQ(f.LastFailure().step, "replacing");
    EXPECT_FALSE(f.LastFailure().reason.empty());
  }
  EXPECT_EQ(Siblings(path), std::vector<std::string>{"QuillonTextFile.txt"});
}

}  // namespace
