// Windows paths onto the image: drive, case, "..", links, and the --output overlay.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "platform/offline/winapi/image_files.h"
#include "platform/offline/winapi/machine.h"
#include "platform/offline/winapi/path_map.h"
#include "platform/os.h"
#include "tests/offline/temp_image.h"

namespace {

namespace fs = std::filesystem;
using offline_test::TempImage;

std::string Canonical(const fs::path& p) { return fs::canonical(p).string(); }

TEST(PathMapTest, DriveRelativeResolvesDotsLexicallyAndNeverAboveTheRoot) {
  TempImage image;
  ASSERT_TRUE(image.Configure());
  EXPECT_EQ(offline::DriveRelative(u"C:\\WINDOWS\\.\\system32\\..\\inf"), "/WINDOWS/inf");
  EXPECT_EQ(offline::DriveRelative(u"C:\\..\\..\\WINDOWS\\system32"), "/WINDOWS/system32");
  EXPECT_EQ(offline::DriveRelative(u"c:/WINDOWS//inf\\"), "/WINDOWS/inf");
  EXPECT_EQ(offline::DriveRelative(u"C:\\WINDOWS\\inf. \\oem1.inf"), "/WINDOWS/inf/oem1.inf");
  EXPECT_EQ(offline::DriveRelative(u"\\\\?\\C:\\WINDOWS"), "/WINDOWS");
  EXPECT_EQ(offline::DriveRelative(u"C:\\"), "");
  // Another drive, another machine, or a name no Windows volume holds.
  EXPECT_EQ(offline::DriveRelative(u"D:\\WINDOWS"), std::nullopt);
  EXPECT_EQ(offline::DriveRelative(u"\\\\server\\share\\WINDOWS"), std::nullopt);
  EXPECT_EQ(offline::DriveRelative(u"C:\\WIN*"), std::nullopt);
  EXPECT_EQ(offline::DriveRelative(u"C:\\a\\b:c"), std::nullopt);
}

TEST(PathMapTest, DriveFollowsTheSystemDirectory) {
  TempImage image;
  offline::MachineOptions options;
  options.root = image.Root().string();
  options.systemDirectory = u"D:\\WINDOWS\\system32\\";
  std::string error;
  ASSERT_TRUE(offline::ConfigureMachine(options, &error)) << error;
  EXPECT_EQ(offline::CurrentMachine().systemDirectory, u"D:\\WINDOWS\\system32");
  EXPECT_EQ(offline::DriveRelative(u"d:\\WINDOWS"), "/WINDOWS");
  EXPECT_EQ(offline::DriveRelative(u"C:\\WINDOWS"), std::nullopt);
}

TEST(PathMapTest, ComponentsMatchWithoutRegardToCaseExactSpellingFirst) {
  TempImage image;
  TempImage::Write(image.Root() / "WINDOWS" / "system32" / "Drivers" / "elxstor.SYS", "x");
  TempImage::Write(image.Root() / "Halvorn" / "Version" / "tavish.exe", "lower");
  TempImage::Write(image.Root() / "Halvorn" / "Version" / "Tavish.exe", "exact");
  ASSERT_TRUE(image.Configure());

  std::optional<std::string> host = offline::MapExisting(u"c:\\windows\\SYSTEM32\\drivers\\ELXSTOR.sys");
  ASSERT_TRUE(host);
  EXPECT_EQ(*host, Canonical(image.Root() / "WINDOWS" / "system32" / "Drivers" / "elxstor.SYS"));

  std::optional<std::vector<std::uint8_t>> bytes = offline::ReadImageFile(u"C:\\Halvorn\\Version\\Tavish.exe", 100);
  ASSERT_TRUE(bytes);
  EXPECT_EQ(std::string(bytes->begin(), bytes->end()), "exact");
  EXPECT_FALSE(offline::MapExisting(u"C:\\WINDOWS\\system32\\Drivers\\ELXSTOR.sy"));
}

TEST(PathMapTest, ReadImageFileRefusesFoldersAndFilesOverTheLimit) {
  TempImage image;
  TempImage::Write(image.Root() / "a.bin", std::string(64, 'z'));
  ASSERT_TRUE(image.Configure());
  EXPECT_TRUE(offline::ReadImageFile(u"C:\\a.bin", 64));
  EXPECT_FALSE(offline::ReadImageFile(u"C:\\a.bin", 63));
  EXPECT_FALSE(offline::ReadImageFile(u"C:\\WINDOWS", 1 << 20));
}

TEST(PathMapTest, LinksAreFollowedOnlyWhileTheyStayInsideTheRoot) {
  TempImage image;
  TempImage::Write(image.Root() / "WINDOWS" / "inf" / "oem1.inf", "in");
  TempImage::Write(image.Outside() / "secret.txt", "secret");
  fs::create_directory_symlink("WINDOWS/inf", image.Root() / "infLink");
  fs::create_directory_symlink(image.Outside(), image.Root() / "away");
  fs::create_directory_symlink("../../outside", image.Root() / "WINDOWS" / "up");
  fs::create_symlink(image.Outside() / "secret.txt", image.Root() / "secret.txt");
  fs::create_symlink("missing-target", image.Root() / "dangling");
  ASSERT_TRUE(image.Configure());

  std::optional<std::string> inside = offline::MapExisting(u"C:\\INFLINK\\OEM1.INF");
  ASSERT_TRUE(inside);
  EXPECT_EQ(*inside, Canonical(image.Root() / "WINDOWS" / "inf" / "oem1.inf"));
  EXPECT_FALSE(offline::MapExisting(u"C:\\away\\secret.txt"));
  EXPECT_FALSE(offline::MapExisting(u"C:\\WINDOWS\\up\\secret.txt"));
  EXPECT_FALSE(offline::MapExisting(u"C:\\secret.txt"));
  EXPECT_FALSE(offline::MapExisting(u"C:\\dangling"));
  // ".." is taken apart before the disk is asked, so it cannot climb out either.
  EXPECT_EQ(offline::MapExisting(u"C:\\..\\outside\\secret.txt"), std::nullopt);
  EXPECT_FALSE(offline::MapForWrite(u"C:\\away\\new.txt"));
}

TEST(PathMapTest, OutputFolderShadowsTheImageAndReceivesWrites) {
  TempImage image;
  TempImage::Write(image.Root() / "Halvorn" / "Version" / "SysInfo.log", "image");
  TempImage::Write(image.Out() / "halvorn" / "Version" / "keep.txt", "");
  ASSERT_TRUE(image.Configure(true));

  // A write lands below --output at the same drive-relative place, reusing
  // the folder already there whatever its case.
  std::optional<offline::Place> write = offline::MapForWrite(u"C:\\HALVORN\\VERSION\\SysInfo.log");
  ASSERT_TRUE(write);
  EXPECT_FALSE(write->exists);
  EXPECT_TRUE(write->parentExists);
  EXPECT_EQ(write->host, Canonical(image.Out() / "halvorn" / "Version") + "/SysInfo.log");
  EXPECT_FALSE(fs::exists(image.Out() / "HALVORN"));

  // Reads see the image until the program writes the file below the output folder.
  EXPECT_EQ(offline::MapExisting(u"C:\\Halvorn\\Version\\SysInfo.log"),
            Canonical(image.Root() / "Halvorn" / "Version" / "SysInfo.log"));
  os::HANDLE h = os::CreateFileW(u"C:\\HALVORN\\VERSION\\SysInfo.log", os::GENERIC_WRITE, 0, nullptr, os::CREATE_ALWAYS,
                                 os::FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, os::INVALID_HANDLE_VALUE);
  os::DWORD written = 0;
  EXPECT_TRUE(os::WriteFile(h, "output", 6, &written, nullptr));
  os::CloseHandle(h);
  EXPECT_EQ(offline::MapExisting(u"C:\\Halvorn\\Version\\SysInfo.log"), write->host);
  EXPECT_EQ(TempImage::Read(write->host), "output");
}

TEST(PathMapTest, WritesBelowOutputCreateOnlyFoldersTheImageHas) {
  TempImage image;
  ASSERT_TRUE(image.Configure(true));
  std::optional<offline::Place> inImageFolder = offline::MapForWrite(u"C:\\windows\\SYSTEM32\\trace.log");
  ASSERT_TRUE(inImageFolder);
  EXPECT_TRUE(inImageFolder->parentExists);
  // New folders take the image's spelling, so the output mirrors the image.
  EXPECT_TRUE(fs::is_directory(image.Out() / "WINDOWS" / "system32"));
  EXPECT_FALSE(fs::exists(image.Out() / "windows"));

  std::optional<offline::Place> nowhere = offline::MapForWrite(u"C:\\NoSuchFolder\\trace.log");
  ASSERT_TRUE(nowhere);
  EXPECT_FALSE(nowhere->parentExists);
  EXPECT_FALSE(fs::exists(image.Out() / "NoSuchFolder"));
}

TEST(PathMapTest, SystemDirectoryIsFoundWithItsOnDiskSpelling) {
  TempImage image;
  fs::remove_all(image.Root() / "WINDOWS");
  fs::create_directories(image.Root() / "winnt" / "System32");
  std::string error;
  ASSERT_TRUE(image.Configure(false, &error)) << error;
  EXPECT_EQ(offline::CurrentMachine().systemDirectory, u"C:\\winnt\\System32");

  // WINDOWS wins over WINNT when both hold a system32 folder.
  fs::create_directories(image.Root() / "Windows" / "SYSTEM32");
  ASSERT_TRUE(image.Configure(false, &error)) << error;
  EXPECT_EQ(offline::CurrentMachine().systemDirectory, u"C:\\Windows\\SYSTEM32");

  os::WCHAR buffer[os::MAX_PATH];
  EXPECT_EQ(os::GetSystemDirectoryW(buffer, os::MAX_PATH), 19u);
  EXPECT_EQ(std::u16string(buffer), u"C:\\Windows\\SYSTEM32");
  EXPECT_EQ(os::GetSystemDirectoryW(buffer, 19), 20u);  // too small: the size needed, terminator included
  EXPECT_EQ(os::GetSystemDirectoryW(buffer, 20), 19u);
}

TEST(PathMapTest, MissingRootOrWindowsFolderIsAClearFailure) {
  TempImage image;
  std::string error;
  offline::MachineOptions options;
  options.root = (image.Root() / "nope").string();
  EXPECT_FALSE(offline::ConfigureMachine(options, &error));
  EXPECT_NE(error.find("does not exist"), std::string::npos) << error;

  fs::remove_all(image.Root() / "WINDOWS");
  fs::create_directories(image.Root() / "WINDOWS" / "sys");  // a WINDOWS folder without system32
  error.clear();
  EXPECT_FALSE(image.Configure(false, &error));
  EXPECT_NE(error.find("--system-directory"), std::string::npos) << error;
}

}  // namespace
