// Icon 128, bitmap 131 and the version block, read back from the compiled
// resources the way Windows and the version-marker lookup read them.
#include "platform/ui.h"
#include "probes/system_probe.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

std::vector<unsigned char> Resource(int id, LPCWSTR type) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(id), type);
  if (info == nullptr) return {};
  HGLOBAL loaded = LoadResource(module, info);
  const auto* data = static_cast<const unsigned char*>(loaded != nullptr ? LockResource(loaded) : nullptr);
  if (data == nullptr) return {};
  return std::vector<unsigned char>(data, data + SizeofResource(module, info));
}

template <typename T>
bool At(const std::vector<unsigned char>& bytes, std::size_t offset, T& out) {
  if (offset > bytes.size() || sizeof(T) > bytes.size() - offset) return false;
  std::memcpy(&out, bytes.data() + offset, sizeof(T));
  return true;
}

TEST(Pictures, BannerIs506By43At24Bits) {
  const std::vector<unsigned char> bytes = Resource(131, reinterpret_cast<LPCWSTR>(RT_BITMAP));
  BITMAPINFOHEADER header{};
  ASSERT_TRUE(At(bytes, 0, header));
  EXPECT_EQ(header.biSize, sizeof(BITMAPINFOHEADER));
  EXPECT_EQ(header.biWidth, 506);
  EXPECT_EQ(header.biHeight, 43);
  EXPECT_EQ(header.biBitCount, 24);
  EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
  const std::size_t stride = (506 * 3 + 3) / 4 * 4;
  EXPECT_GE(bytes.size(), header.biSize + stride * 43) << "pixel rows cut short";

  // What the static control of the main dialog will load.
  HBITMAP loaded = static_cast<HBITMAP>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(131), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  ASSERT_NE(loaded, nullptr);
  BITMAP bitmap{};
  ASSERT_EQ(GetObjectW(loaded, sizeof bitmap, &bitmap), static_cast<int>(sizeof bitmap));
  EXPECT_EQ(bitmap.bmWidth, 506);
  EXPECT_EQ(bitmap.bmHeight, 43);
  EXPECT_EQ(bitmap.bmBitsPixel, 24);
  DeleteObject(loaded);
}

#pragma pack(push, 2)
struct GroupIconEntry {
  BYTE width, height, colours, reserved;
  WORD planes, bitCount;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)
static_assert(sizeof(GroupIconEntry) == 14, "GRPICONDIRENTRY layout");

TEST(Pictures, IconHas32And16PixelImagesOf16Colours) {
  const std::vector<unsigned char> group = Resource(128, reinterpret_cast<LPCWSTR>(RT_GROUP_ICON));
  WORD reserved = 1, type = 0, count = 0;
  ASSERT_TRUE(At(group, 0, reserved) && At(group, 2, type) && At(group, 4, count));
  EXPECT_EQ(reserved, 0);
  EXPECT_EQ(type, 1);
  std::map<int, GroupIconEntry> bySize;
  for (WORD i = 0; i < count; ++i) {
    GroupIconEntry entry{};
    ASSERT_TRUE(At(group, 6 + 14u * i, entry));
    bySize[entry.width] = entry;
  }
  ASSERT_EQ(bySize.size(), 2u);
  for (int size : {32, 16}) {
    SCOPED_TRACE(size);
    ASSERT_EQ(bySize.count(size), 1u);
    const GroupIconEntry& entry = bySize[size];
    EXPECT_EQ(entry.height, size);
    EXPECT_EQ(entry.colours, 16);
    EXPECT_EQ(entry.bitCount, 4);
    const std::vector<unsigned char> image = Resource(entry.id, reinterpret_cast<LPCWSTR>(RT_ICON));
    EXPECT_EQ(image.size(), entry.bytes);
    BITMAPINFOHEADER header{};
    ASSERT_TRUE(At(image, 0, header));
    EXPECT_EQ(header.biWidth, size);
    EXPECT_EQ(header.biHeight, 2 * size) << "colour bits and mask";
    EXPECT_EQ(header.biBitCount, 4);
    const std::size_t colourRow = (size * 4 + 31) / 32 * 4, maskRow = (size + 31) / 32 * 4;
    EXPECT_GE(image.size(), header.biSize + 16 * 4 + (colourRow + maskRow) * size);

    HICON icon = static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(128), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    EXPECT_NE(icon, nullptr);
    if (icon != nullptr) DestroyIcon(icon);
  }
  EXPECT_NE(ui::LoadIconResource(128), nullptr);
}

// The version block of a file, through the version library.
class VersionBlock {
 public:
  explicit VersionBlock(const std::wstring& path) {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    if (size == 0) return;
    data_.resize(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, data_.data())) data_.clear();
  }
  bool Valid() const { return !data_.empty(); }
  const VS_FIXEDFILEINFO* Fixed() {
    void* p = nullptr;
    UINT len = 0;
    if (!VerQueryValueW(data_.data(), L"\\", &p, &len) || len < sizeof(VS_FIXEDFILEINFO)) return nullptr;
    return static_cast<const VS_FIXEDFILEINFO*>(p);
  }
  std::wstring String(const wchar_t* name) {
    void* p = nullptr;
    UINT len = 0;
    const std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueW(data_.data(), key.c_str(), &p, &len) || p == nullptr) return L"<missing>";
    return std::wstring(static_cast<const wchar_t*>(p));
  }
  std::vector<WORD> Translation() {
    void* p = nullptr;
    UINT len = 0;
    if (!VerQueryValueW(data_.data(), L"\\VarFileInfo\\Translation", &p, &len) || p == nullptr) return {};
    const auto* words = static_cast<const WORD*>(p);
    return std::vector<WORD>(words, words + len / 2);
  }

 private:
  std::vector<unsigned char> data_;
};

std::wstring ThisBinary() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

void ExpectProgramVersion(const std::wstring& path) {
  VersionBlock block(path);
  ASSERT_TRUE(block.Valid());
  const VS_FIXEDFILEINFO* fixed = block.Fixed();
  ASSERT_NE(fixed, nullptr);
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00020004u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0x00020004u);
  EXPECT_EQ(fixed->dwFileFlagsMask, 0x3Fu);
  EXPECT_EQ(fixed->dwFileFlags, static_cast<DWORD>(VS_FF_PRIVATEBUILD | VS_FF_SPECIALBUILD));
  EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
  EXPECT_EQ(block.String(L"InternalName"), L"Quillon");
  EXPECT_EQ(block.String(L"OriginalFilename"), L"Quillon.EXE");
  EXPECT_EQ(block.String(L"ProductName"), L"Quillon Application");
  EXPECT_EQ(block.String(L"FileVersion"), L"1.0.2.4");
  EXPECT_EQ(block.String(L"ProductVersion"), L"1.0.2.4");
  EXPECT_EQ(block.String(L"PrivateBuild"), L"1.0.0.0");
  EXPECT_EQ(block.String(L"SpecialBuild"), L"Vexa Korvane");
  EXPECT_EQ(block.Translation(), (std::vector<WORD>{0x0409, 1200}));
}

TEST(VersionResource, BlockIsTheMarkersVersion) { ExpectProgramVersion(ThisBinary()); }

// What the version-marker lookup reads from a copy of the program.
TEST(VersionResource, MarkerLookupReadsTheProgramVersion) {
  std::wstring path = ThisBinary();
  const std::size_t slash = path.find_last_of(L"\\/");
  ASSERT_NE(slash, std::wstring::npos);
  const std::u16string directory(reinterpret_cast<const char16_t*>(path.c_str()), slash + 1);
  const std::u16string name(reinterpret_cast<const char16_t*>(path.c_str()) + slash + 1);
  char16_t field[50] = {};
  CSystemProbe probe;
  ASSERT_TRUE(probe.GetFileVersionString(directory.c_str(), name.c_str(), field));
  EXPECT_TRUE(std::u16string(field) == u"1.0.2.4");
}

// Quillon.exe itself, when it was built beside the tests (Wine's Z: drive is /).
TEST(VersionResource, ProgramFileCarriesTheBlock) {
  std::wstring path = L"Z:";
  for (const char* p = QUILLON_BINARY_DIR; *p != '\0'; ++p)
    path.push_back(*p == '/' ? L'\\' : static_cast<wchar_t>(*p));
  path += L"\\Quillon.exe";
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "Quillon.exe not built here";
  ExpectProgramVersion(path);
}

}  // namespace
