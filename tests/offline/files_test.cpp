// File handles over the image: dispositions, byte counts, error codes, the
// --output overlay, and the time conversions shown next to file versions.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>

#include "platform/os.h"
#include "platform/text.h"
#include "tests/offline/temp_image.h"

namespace {

namespace fs = std::filesystem;
using offline_test::FileHandle;
using offline_test::TempImage;

constexpr os::DWORD kSentinel = 0xDEADBEEF;
constexpr os::DWORD kReadWrite = os::GENERIC_READ | os::GENERIC_WRITE;

os::HANDLE Open(const char16_t* path, os::DWORD access, os::DWORD disposition, os::DWORD flags = 0) {
  os::SetLastError(kSentinel);
  return os::CreateFileW(path, access, os::FILE_SHARE_WRITE, nullptr, disposition, flags | os::FILE_ATTRIBUTE_NORMAL,
                         nullptr);
}

bool Write(os::HANDLE h, const std::string& bytes, os::DWORD* written) {
  return os::WriteFile(h, bytes.data(), static_cast<os::DWORD>(bytes.size()), written, nullptr) != 0;
}

class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TempImage::Write(image_.Root() / "WINDOWS" / "ten.bin", "0123456789");
    ASSERT_TRUE(image_.Configure());
  }
  fs::path Win() const { return image_.Root() / "WINDOWS"; }
  TempImage image_;
};

TEST_F(FilesTest, CreateAlwaysTruncatesAndReportsAnExistingFile) {
  {
    FileHandle h(Open(u"C:\\windows\\TEN.BIN", kReadWrite, os::CREATE_ALWAYS));
    ASSERT_TRUE(h.valid());
    EXPECT_EQ(os::GetLastError(), os::ERROR_ALREADY_EXISTS);
    os::DWORD written = 0;
    EXPECT_TRUE(Write(h.get(), std::string("a\0b\0c\0", 6), &written));
    EXPECT_EQ(written, 6u);
  }
  EXPECT_EQ(TempImage::Read(Win() / "ten.bin"), std::string("a\0b\0c\0", 6));

  FileHandle fresh(Open(u"C:\\WINDOWS\\new.log", kReadWrite, os::CREATE_ALWAYS));
  ASSERT_TRUE(fresh.valid());
  EXPECT_EQ(os::GetLastError(), os::ERROR_SUCCESS);
  EXPECT_EQ(fs::file_size(Win() / "new.log"), 0u);
}

TEST_F(FilesTest, OpenAlwaysKeepsContentAndAppendsAtTheEnd) {
  {
    FileHandle h(Open(u"C:\\WINDOWS\\ten.bin", kReadWrite, os::OPEN_ALWAYS));
    ASSERT_TRUE(h.valid());
    EXPECT_EQ(os::GetLastError(), os::ERROR_ALREADY_EXISTS);
    os::SetLastError(kSentinel);
    EXPECT_EQ(os::SetFilePointer(h.get(), 0, nullptr, os::FILE_END), 10u);
    os::DWORD written = 0;
    EXPECT_TRUE(Write(h.get(), "WXYZ", &written));
    EXPECT_EQ(written, 4u);
  }
  EXPECT_EQ(TempImage::Read(Win() / "ten.bin"), "0123456789WXYZ");
  {
    // Without a seek, writing starts at the beginning and overwrites.
    FileHandle h(Open(u"C:\\WINDOWS\\ten.bin", kReadWrite, os::OPEN_ALWAYS));
    os::DWORD written = 0;
    EXPECT_TRUE(Write(h.get(), "ab", &written));
  }
  EXPECT_EQ(TempImage::Read(Win() / "ten.bin"), "ab23456789WXYZ");

  FileHandle created(Open(u"C:\\WINDOWS\\other.log", kReadWrite, os::OPEN_ALWAYS));
  ASSERT_TRUE(created.valid());
  EXPECT_EQ(os::GetLastError(), os::ERROR_SUCCESS);
}

TEST_F(FilesTest, ReadsAndSeeksLikeWindows) {
  FileHandle h(Open(u"C:\\WINDOWS\\ten.bin", os::GENERIC_READ, os::OPEN_EXISTING));
  ASSERT_TRUE(h.valid());
  EXPECT_EQ(os::GetLastError(), os::ERROR_SUCCESS);
  char buffer[16] = {};
  os::DWORD got = 0;
  EXPECT_EQ(os::SetFilePointer(h.get(), 4, nullptr, os::FILE_BEGIN), 4u);
  EXPECT_EQ(os::SetFilePointer(h.get(), -2, nullptr, os::FILE_CURRENT), 2u);
  EXPECT_TRUE(os::ReadFile(h.get(), buffer, sizeof buffer, &got, nullptr));
  EXPECT_EQ(std::string(buffer, got), "23456789");
  EXPECT_TRUE(os::ReadFile(h.get(), buffer, sizeof buffer, &got, nullptr));  // at the end: success, 0 bytes
  EXPECT_EQ(got, 0u);

  // A position before the start is refused and the pointer stays.
  os::SetLastError(kSentinel);
  EXPECT_EQ(os::SetFilePointer(h.get(), -11, nullptr, os::FILE_END), os::INVALID_SET_FILE_POINTER);
  EXPECT_EQ(os::GetLastError(), 131u);  // ERROR_NEGATIVE_SEEK
  EXPECT_EQ(os::SetFilePointer(h.get(), 0, nullptr, os::FILE_CURRENT), 10u);

  // A handle opened for reading cannot write.
  os::DWORD written = 7;
  os::SetLastError(kSentinel);
  EXPECT_FALSE(Write(h.get(), "x", &written));
  EXPECT_EQ(written, 0u);
  EXPECT_EQ(os::GetLastError(), os::ERROR_ACCESS_DENIED);
  EXPECT_EQ(TempImage::Read(Win() / "ten.bin"), "0123456789");
}

TEST_F(FilesTest, MissingFilesFoldersAndExistingNamesGiveWindowsErrors) {
  struct Case {
    const char16_t* path;
    os::DWORD access;
    os::DWORD disposition;
    os::DWORD error;
  } cases[] = {
      {u"C:\\WINDOWS\\missing.sys", 0, os::OPEN_EXISTING, os::ERROR_FILE_NOT_FOUND},
      {u"C:\\WINDOWS\\nofolder\\missing.sys", 0, os::OPEN_EXISTING, os::ERROR_PATH_NOT_FOUND},
      {u"C:\\WINDOWS\\nofolder\\new.log", kReadWrite, os::CREATE_ALWAYS, os::ERROR_PATH_NOT_FOUND},
      {u"C:\\WINDOWS\\ten.bin\\below", 0, os::OPEN_EXISTING, os::ERROR_PATH_NOT_FOUND},
      {u"C:\\WINDOWS\\ten.bin", kReadWrite, os::CREATE_NEW, os::ERROR_FILE_EXISTS},
      {u"D:\\WINDOWS\\ten.bin", 0, os::OPEN_EXISTING, os::ERROR_PATH_NOT_FOUND},
      // A folder opens only with backup semantics, as on Windows.
      {u"C:\\WINDOWS", 0, os::OPEN_EXISTING, os::ERROR_ACCESS_DENIED},
      {u"C:\\WINDOWS", kReadWrite, os::CREATE_ALWAYS, os::ERROR_ACCESS_DENIED},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(text::ToUtf8(c.path));
    FileHandle h(Open(c.path, c.access, c.disposition));
    EXPECT_FALSE(h.valid());
    EXPECT_EQ(os::GetLastError(), c.error);
  }
  FileHandle folder(Open(u"C:\\windows\\system32", 0, os::OPEN_EXISTING, os::FILE_FLAG_BACKUP_SEMANTICS));
  EXPECT_TRUE(folder.valid());
  EXPECT_EQ(os::GetLastError(), os::ERROR_SUCCESS);
  EXPECT_EQ(fs::file_size(Win() / "ten.bin"), 10u);
}

TEST_F(FilesTest, ReadOnlyFileCannotBeWrittenEvenByTheSuperuser) {
  fs::permissions(Win() / "ten.bin", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  for (os::DWORD disposition : {os::OPEN_EXISTING, os::OPEN_ALWAYS, os::CREATE_ALWAYS}) {
    FileHandle h(Open(u"C:\\WINDOWS\\ten.bin", kReadWrite, disposition));
    EXPECT_FALSE(h.valid());
    EXPECT_EQ(os::GetLastError(), os::ERROR_ACCESS_DENIED);
  }
  FileHandle reader(Open(u"C:\\WINDOWS\\ten.bin", os::GENERIC_READ, os::OPEN_EXISTING));
  EXPECT_TRUE(reader.valid());
  EXPECT_EQ(TempImage::Read(Win() / "ten.bin"), "0123456789");
}

TEST_F(FilesTest, HandlesCloseOnceAndBadHandlesAreRefused) {
  os::HANDLE h = Open(u"C:\\WINDOWS\\ten.bin", 0, os::OPEN_EXISTING);
  ASSERT_NE(h, os::INVALID_HANDLE_VALUE);
  EXPECT_TRUE(os::CloseHandle(h));
  os::SetLastError(kSentinel);
  EXPECT_FALSE(os::CloseHandle(h));
  EXPECT_EQ(os::GetLastError(), os::ERROR_INVALID_HANDLE);
  os::SetLastError(kSentinel);
  EXPECT_FALSE(os::CloseHandle(os::INVALID_HANDLE_VALUE));
  EXPECT_EQ(os::GetLastError(), os::ERROR_INVALID_HANDLE);
  os::DWORD written = 0;
  EXPECT_FALSE(Write(h, "x", &written));
  EXPECT_EQ(os::GetLastError(), os::ERROR_INVALID_HANDLE);
}

TEST_F(FilesTest, WritesNeverFollowALinkOutOfTheImage) {
  TempImage::Write(image_.Outside() / "victim.txt", "untouched");
  fs::create_symlink(image_.Outside() / "victim.txt", Win() / "SysInfo.log");
  fs::create_directory_symlink(image_.Outside(), Win() / "Out");
  FileHandle viaFile(Open(u"C:\\WINDOWS\\SysInfo.log", kReadWrite, os::CREATE_ALWAYS));
  EXPECT_FALSE(viaFile.valid());
  FileHandle viaFolder(Open(u"C:\\WINDOWS\\Out\\victim.txt", kReadWrite, os::CREATE_ALWAYS));
  EXPECT_FALSE(viaFolder.valid());
  EXPECT_FALSE(os::CreateDirectoryW(u"C:\\WINDOWS\\Out\\made", nullptr));
  EXPECT_EQ(TempImage::Read(image_.Outside() / "victim.txt"), "untouched");
  EXPECT_FALSE(fs::exists(image_.Outside() / "made"));
}

TEST_F(FilesTest, CreateDirectoryReportsExistingAndMissingParents) {
  EXPECT_TRUE(os::CreateDirectoryW(u"C:\\Halvorn", nullptr));
  EXPECT_TRUE(fs::is_directory(image_.Root() / "Halvorn"));
  os::SetLastError(kSentinel);
  EXPECT_FALSE(os::CreateDirectoryW(u"C:\\HALVORN", nullptr));
  EXPECT_EQ(os::GetLastError(), os::ERROR_ALREADY_EXISTS);
  os::SetLastError(kSentinel);
  EXPECT_FALSE(os::CreateDirectoryW(u"C:\\WINDOWS\\ten.bin", nullptr));
  EXPECT_EQ(os::GetLastError(), os::ERROR_ALREADY_EXISTS);
  os::SetLastError(kSentinel);
  EXPECT_FALSE(os::CreateDirectoryW(u"C:\\a\\b", nullptr));
  EXPECT_EQ(os::GetLastError(), os::ERROR_PATH_NOT_FOUND);
}

TEST(FilesOverlayTest, WritesGoBelowOutputAndLaterReadsSeeThem) {
  TempImage image;
  TempImage::Write(image.Root() / "Halvorn" / "Version" / "SysInfo.log", "0123456789");
  ASSERT_TRUE(image.Configure(true));
  const fs::path imageFile = image.Root() / "Halvorn" / "Version" / "SysInfo.log";
  const fs::path outFile = image.Out() / "Halvorn" / "Version" / "SysInfo.log";
  {
    // OPEN_ALWAYS on a file only the image has: it exists, with its content.
    FileHandle h(Open(u"C:\\halvorn\\version\\SysInfo.log", kReadWrite, os::OPEN_ALWAYS));
    ASSERT_TRUE(h.valid());
    EXPECT_EQ(os::GetLastError(), os::ERROR_ALREADY_EXISTS);
    EXPECT_EQ(os::SetFilePointer(h.get(), 0, nullptr, os::FILE_END), 10u);
    os::DWORD written = 0;
    EXPECT_TRUE(Write(h.get(), "AB", &written));
  }
  EXPECT_EQ(TempImage::Read(outFile), "0123456789AB");
  EXPECT_EQ(TempImage::Read(imageFile), "0123456789");
  {
    FileHandle h(Open(u"C:\\Halvorn\\Version\\SysInfo.log", os::GENERIC_READ, os::OPEN_EXISTING));
    char buffer[32];
    os::DWORD got = 0;
    ASSERT_TRUE(os::ReadFile(h.get(), buffer, sizeof buffer, &got, nullptr));
    EXPECT_EQ(std::string(buffer, got), "0123456789AB");
  }
  fs::remove(outFile);
  {
    FileHandle h(Open(u"C:\\Halvorn\\Version\\SysInfo.log", kReadWrite, os::CREATE_ALWAYS));
    ASSERT_TRUE(h.valid());
    EXPECT_EQ(os::GetLastError(), os::ERROR_ALREADY_EXISTS);  // the image's file counts
  }
  EXPECT_EQ(fs::file_size(outFile), 0u);
  EXPECT_EQ(TempImage::Read(imageFile), "0123456789");
  EXPECT_FALSE(os::CreateDirectoryW(u"C:\\WINDOWS", nullptr));
  EXPECT_EQ(os::GetLastError(), os::ERROR_ALREADY_EXISTS);
}

TEST(FileTimeTest, LastWriteTimeComesFromTheModificationTime) {
  TempImage image;
  TempImage::Write(image.Root() / "a.sys", "x");
  ASSERT_TRUE(image.Configure());
  // 2005-03-04 05:06:07.5 UTC.
  struct timespec times[2] = {{1109912767, 500000000}, {1109912767, 500000000}};
  ASSERT_EQ(utimensat(AT_FDCWD, (image.Root() / "a.sys").c_str(), times, 0), 0);
  FileHandle h(Open(u"C:\\A.SYS", 0, os::OPEN_EXISTING));
  os::FILETIME written{};
  ASSERT_TRUE(os::GetFileTime(h.get(), nullptr, nullptr, &written));
  const std::uint64_t ticks = (std::uint64_t{written.dwHighDateTime} << 32) | written.dwLowDateTime;
  EXPECT_EQ(ticks, (1109912767ull + 11644473600ull) * 10000000ull + 5000000ull);

  os::SYSTEMTIME st{};
  ASSERT_TRUE(os::FileTimeToSystemTime(&written, &st));
  EXPECT_EQ(st.wYear, 2005);
  EXPECT_EQ(st.wMonth, 3);
  EXPECT_EQ(st.wDay, 4);
  EXPECT_EQ(st.wDayOfWeek, 5);  // a Friday
  EXPECT_EQ(st.wHour, 5);
  EXPECT_EQ(st.wMinute, 6);
  EXPECT_EQ(st.wSecond, 7);
  EXPECT_EQ(st.wMilliseconds, 500);
}

TEST(FileTimeTest, DatesAndTimesInTheUsShortForms) {
  struct Case {
    os::WORD year, month, day, hour, minute;
    const char16_t* date;
    const char16_t* time;
  } cases[] = {
      {2005, 3, 4, 0, 5, u"3/4/2005", u"12:05 AM"},
      {1999, 12, 31, 12, 0, u"12/31/1999", u"12:00 PM"},
      {2024, 2, 29, 23, 59, u"2/29/2024", u"11:59 PM"},
      {2010, 10, 10, 9, 30, u"10/10/2010", u"9:30 AM"},
  };
  for (const Case& c : cases) {
    os::SYSTEMTIME st{};
    st.wYear = c.year;
    st.wMonth = c.month;
    st.wDay = c.day;
    st.wHour = c.hour;
    st.wMinute = c.minute;
    os::WCHAR out[64];
    const int dateLength = static_cast<int>(std::u16string(c.date).size()) + 1;
    EXPECT_EQ(os::GetDateFormatW(os::LOCALE_SYSTEM_DEFAULT, os::DATE_SHORTDATE, &st, nullptr, out, 64), dateLength);
    EXPECT_EQ(std::u16string(out), c.date);
    const int timeLength = static_cast<int>(std::u16string(c.time).size()) + 1;
    EXPECT_EQ(os::GetTimeFormatW(os::LOCALE_SYSTEM_DEFAULT, os::TIME_NOSECONDS, &st, nullptr, out, 64), timeLength);
    EXPECT_EQ(std::u16string(out), c.time);
    // Size 0 asks for the size; one short of it fails.
    EXPECT_EQ(os::GetTimeFormatW(os::LOCALE_SYSTEM_DEFAULT, os::TIME_NOSECONDS, &st, nullptr, nullptr, 0), timeLength);
    os::SetLastError(kSentinel);
    EXPECT_EQ(os::GetDateFormatW(os::LOCALE_SYSTEM_DEFAULT, os::DATE_SHORTDATE, &st, nullptr, out, dateLength - 1), 0);
    EXPECT_EQ(os::GetLastError(), os::ERROR_INSUFFICIENT_BUFFER);
  }
}

}  // namespace

namespace {

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = getenv(name)) old_ = old;
    if (value)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  ~ScopedEnv() {
    if (old_)
      setenv(name_.c_str(), old_->c_str(), 1);
    else
      unsetenv(name_.c_str());
  }

 private:
  std::string name_;
  std::optional<std::string> old_;
};

os::BOOL ShellOpen(const char16_t* file) {
  os::SHELLEXECUTEINFOW info{};
  info.cbSize = 60;
  info.fMask = os::SEE_MASK_NOCLOSEPROCESS | os::SEE_MASK_FLAG_DDEWAIT;
  info.lpFile = file;
  info.nShow = os::SW_SHOWMAXIMIZED;
  os::SetLastError(kSentinel);
  return os::ShellExecuteExW(&info);
}

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (isatty(STDIN_FILENO) && isatty(STDOUT_FILENO)) GTEST_SKIP() << "a terminal would start the pager";
    // "Zoë\r\n" as the report writes it: UTF-16LE, no byte-order mark.
    TempImage::Write(image_.Root() / "SysInfo.log", std::string("Z\0o\0\xEB\0\r\0\n\0", 10));
    ASSERT_TRUE(image_.Configure());
    fs::create_directories(Bin());
  }
  fs::path Bin() const { return image_.Outside() / "bin"; }
  TempImage image_;
};

TEST_F(ShellTest, WithoutTerminalOrDesktopNothingStarts) {
  ScopedEnv display("DISPLAY", nullptr);
  ScopedEnv wayland("WAYLAND_DISPLAY", nullptr);
  EXPECT_FALSE(ShellOpen(u"C:\\SysInfo.log"));
  EXPECT_NE(os::GetLastError(), kSentinel);
  ScopedEnv display2("DISPLAY", ":0");
  EXPECT_FALSE(ShellOpen(u"C:\\missing.log"));
  EXPECT_EQ(os::GetLastError(), os::ERROR_FILE_NOT_FOUND);
}

TEST_F(ShellTest, DesktopOpenerGetsTheTextAsUtf8AndAMissingOneFails) {
  ScopedEnv display("DISPLAY", ":0");
  {
    ScopedEnv path("PATH", Bin().c_str());  // no xdg-open there
    EXPECT_FALSE(ShellOpen(u"C:\\SysInfo.log"));
    EXPECT_NE(os::GetLastError(), kSentinel);
  }
  const fs::path copy = image_.Outside() / "seen.txt";
  TempImage::Write(Bin() / "xdg-open", "#!/bin/sh\ncat \"$1\" > \"" + copy.string() + ".part\" && mv \"" +
                                           copy.string() + ".part\" \"" + copy.string() + "\"\n");
  fs::permissions(Bin() / "xdg-open", fs::perms::owner_all);
  std::string path = Bin().string() + ":/usr/bin:/bin";
  ScopedEnv pathEnv("PATH", path.c_str());
  ASSERT_TRUE(ShellOpen(u"c:\\sysinfo.LOG"));
  for (int i = 0; i < 200 && !fs::exists(copy); ++i) usleep(10000);
  EXPECT_EQ(TempImage::Read(copy), "Zo\xC3\xAB\n");
}

}  // namespace
