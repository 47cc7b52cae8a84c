#include "probes/file_version_reader.h"

#include <cstring>
#include <new>
#include <vector>

#include "platform/os.h"
#include "platform/text.h"

namespace {

// Largest version resource we take a copy of: far above any real one, and it
// keeps a hostile size field from asking for gigabytes.
constexpr os::DWORD kMaxVersionInfoBytes = 16u * 1024u * 1024u;

std::u16string VersionText(std::uint32_t ms, std::uint32_t ls) {
  char16_t buffer[260] = {};
  std::size_t n =
      text::Format(buffer, u"%d.%d.%d.%d", static_cast<unsigned>(ms >> 16), static_cast<unsigned>(ms & 0xFFFF),
                   static_cast<unsigned>(ls >> 16), static_cast<unsigned>(ls & 0xFFFF));
  return std::u16string(buffer, n);
}

// A string from VerQueryValueW: at most `length` characters, never past a terminator.
bool QueryString(const void* block, const char16_t* subBlock, std::u16string& out) {
  void* value = nullptr;
  os::UINT length = 0;
  if (!os::VerQueryValueW(block, subBlock, &value, &length) || value == nullptr) return false;
  const char16_t* s = static_cast<const char16_t*>(value);
  out.assign(s, text::Length(s, length));
  return true;
}

}  // namespace

void CFileVersionReader::SetPath(const char16_t* newPath) {
  path.assign(newPath ? newPath : u"", newPath ? text::Length(newPath) : 0);
}

int CFileVersionReader::Read() {
  if (path.empty()) return 0;

  os::HANDLE file = os::CreateFileW(path.c_str(), os::GENERIC_READ, os::FILE_SHARE_READ, nullptr, os::OPEN_EXISTING,
                                    os::FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != os::INVALID_HANDLE_VALUE) {
    fileSize = os::SetFilePointer(file, 0, nullptr, os::FILE_END);
    os::FILETIME lastWrite{};
    os::FILETIME local{};
    os::GetFileTime(file, nullptr, nullptr, &lastWrite);
    os::FileTimeToLocalFileTime(&lastWrite, &local);
    lastWriteHigh = local.dwHighDateTime;
    lastWriteLow = local.dwLowDateTime;
    os::CloseHandle(file);
  }

  os::DWORD scratch = 0;
  os::DWORD size = os::GetFileVersionInfoSizeW(path.c_str(), &scratch);
  if (size == 0) return 0;
  if (size > kMaxVersionInfoBytes) return 1;

  std::vector<unsigned char> buffer;
  try {
    buffer.resize(size);
  } catch (const std::bad_alloc&) {
    return 1;
  }
  if (!os::GetFileVersionInfoW(path.c_str(), 0, size, buffer.data())) return 1;

  void* fixed = nullptr;
  os::UINT fixedLength = 0;
  if (!os::VerQueryValueW(buffer.data(), u"\\", &fixed, &fixedLength) || fixed == nullptr ||
      fixedLength < sizeof(os::VS_FIXEDFILEINFO)) {
    return 1;
  }
  os::VS_FIXEDFILEINFO info;
  std::memcpy(&info, fixed, sizeof info);
  fileVersionMS = info.dwFileVersionMS;
  fileVersionLS = info.dwFileVersionLS;
  productVersionMS = info.dwProductVersionMS;
  productVersionLS = info.dwProductVersionLS;

  QueryString(buffer.data(), u"\\StringFileInfo\\040904B0\\CompanyName", companyName);
  QueryString(buffer.data(), u"\\StringFileInfo\\040904B0\\InternalName", internalName);

  FormatTexts();
  return 1;
}

void CFileVersionReader::FormatTexts() {
  productVersion = VersionText(productVersionMS, productVersionLS);
  fileVersion = VersionText(fileVersionMS, fileVersionLS);

  os::FILETIME local{lastWriteLow, lastWriteHigh};
  os::SYSTEMTIME when{};
  char16_t out[255] = {};
  os::FileTimeToSystemTime(&local, &when);
  int n = os::GetDateFormatW(os::LOCALE_SYSTEM_DEFAULT, os::DATE_SHORTDATE, &when, nullptr, out, 255);
  dateText.assign(out, n > 0 ? text::Length(out, 255) : 0);

  when = os::SYSTEMTIME{};
  out[0] = 0;
  os::FileTimeToSystemTime(&local, &when);
  n = os::GetTimeFormatW(os::LOCALE_SYSTEM_DEFAULT, os::TIME_NOSECONDS, &when, nullptr, out, 255);
  timeText.assign(out, n > 0 ? text::Length(out, 255) : 0);
}

bool CFileVersionReader::HasData() const {
  return productVersionMS != 0 || productVersionLS != 0 || fileVersionMS != 0 || fileVersionLS != 0 ||
         lastWriteHigh != 0 || lastWriteLow != 0;
}

std::u16string CFileVersionReader::GetFileVersionText() const { return HasData() ? fileVersion : std::u16string(); }
