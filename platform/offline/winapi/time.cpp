// Time conversions and the en-US short date and time forms offline.
#include <time.h>

#include "platform/os.h"
#include "platform/text.h"

namespace os {
namespace {

constexpr std::uint64_t kTicksPerSecond = 10000000ull;

std::uint64_t Ticks(const FILETIME* t) {
  return (static_cast<std::uint64_t>(t->dwHighDateTime) << 32) | t->dwLowDateTime;
}

int OutputText(const std::u16string& s, WCHAR* out, int size) {
  int needed = static_cast<int>(s.size()) + 1;
  if (size == 0) return needed;
  if (!out || size < needed) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  text::Copy(out, static_cast<std::size_t>(size), s);
  return needed;
}

}  // namespace

BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, FILETIME* localFileTime) {
  if (!fileTime || !localFileTime) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::uint64_t ticks = Ticks(fileTime);
  // Like Windows, the bias in force now applies, whatever the date converted
  // (so a winter date is shifted by the summer bias during summer).
  time_t now = time(nullptr);
  struct tm local;
  long offset = localtime_r(&now, &local) ? local.tm_gmtoff : 0;
  std::int64_t shifted = static_cast<std::int64_t>(ticks) + static_cast<std::int64_t>(offset) * 10000000ll;
  if (shifted < 0) shifted = 0;
  localFileTime->dwLowDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(shifted));
  localFileTime->dwHighDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(shifted) >> 32);
  return TRUE;
}

BOOL FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* st) {
  if (!fileTime || !st) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::uint64_t ticks = Ticks(fileTime);
  if (ticks >= 0x8000000000000000ull) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::int64_t days = static_cast<std::int64_t>(ticks / (kTicksPerSecond * 86400));
  std::uint64_t rest = ticks % (kTicksPerSecond * 86400);
  // Civil date from days since 1601-01-01 (a Monday), proleptic Gregorian.
  std::int64_t z = days - 134774 + 719468;  // shift to days since 0000-03-01
  std::int64_t era = z / 146097;
  std::int64_t doe = z - era * 146097;
  std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  std::int64_t y = yoe + era * 400;
  std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  std::int64_t mp = (5 * doy + 2) / 153;
  std::int64_t d = doy - (153 * mp + 2) / 5 + 1;
  std::int64_t m = mp + (mp < 10 ? 3 : -9);
  if (m <= 2) ++y;
  st->wYear = static_cast<WORD>(y);
  st->wMonth = static_cast<WORD>(m);
  st->wDay = static_cast<WORD>(d);
  st->wDayOfWeek = static_cast<WORD>((days + 1) % 7);
  st->wHour = static_cast<WORD>(rest / (kTicksPerSecond * 3600));
  st->wMinute = static_cast<WORD>(rest / (kTicksPerSecond * 60) % 60);
  st->wSecond = static_cast<WORD>(rest / kTicksPerSecond % 60);
  st->wMilliseconds = static_cast<WORD>(rest / 10000 % 1000);
  return TRUE;
}

void GetLocalTime(SYSTEMTIME* st) {
  if (!st) return;
  struct timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  struct tm local {};
  localtime_r(&now.tv_sec, &local);
  st->wYear = static_cast<WORD>(local.tm_year + 1900);
  st->wMonth = static_cast<WORD>(local.tm_mon + 1);
  st->wDayOfWeek = static_cast<WORD>(local.tm_wday);
  st->wDay = static_cast<WORD>(local.tm_mday);
  st->wHour = static_cast<WORD>(local.tm_hour);
  st->wMinute = static_cast<WORD>(local.tm_min);
  st->wSecond = static_cast<WORD>(local.tm_sec);
  st->wMilliseconds = static_cast<WORD>(now.tv_nsec / 1000000);
}

// The inspected system's locale is taken to be US English: short date M/d/yyyy.
int GetDateFormatW(LCID, DWORD, const SYSTEMTIME* date, const WCHAR*, WCHAR* out, int size) {
  if (!date) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return OutputText(
      text::FormatString(u"%u/%u/%u", unsigned{date->wMonth}, unsigned{date->wDay}, unsigned{date->wYear}), out, size);
}

// US English time without seconds: h:mm AM.
int GetTimeFormatW(LCID, DWORD, const SYSTEMTIME* time, const WCHAR*, WCHAR* out, int size) {
  if (!time) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  unsigned hour12 = time->wHour % 12 == 0 ? 12u : time->wHour % 12u;
  std::u16string minutes = text::FormatString(u"%u", unsigned{time->wMinute});
  if (minutes.size() < 2) minutes = u"0" + minutes;
  return OutputText(text::FormatString(u"%u:%s %s", hour12, minutes, time->wHour < 12 ? u"AM" : u"PM"), out, size);
}

}  // namespace os
