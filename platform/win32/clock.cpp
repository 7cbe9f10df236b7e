#include "platform/clock.h"

#include "platform/win32/windows_support.h"

namespace platform {
namespace {

CalendarTime FromSystemTime(const SYSTEMTIME& time) {
  return {time.wYear,   time.wMonth,  time.wDay,         time.wHour,
          time.wMinute, time.wSecond, time.wMilliseconds};
}

// FILETIME counts 100-nanosecond steps from 1601-01-01.
constexpr std::int64_t kUnixEpochInFileTime = 116444736000000000;
constexpr std::int64_t kFileTimeStepsPerSecond = 10000000;

}  // namespace

std::uint64_t TickCount64() { return GetTickCount64(); }

CalendarTime SystemTimeUtc() {
  SYSTEMTIME now;
  GetSystemTime(&now);
  return FromSystemTime(now);
}

bool LocalCalendarTime(std::int64_t unixSeconds, CalendarTime& local) {
  constexpr std::int64_t kLatest = (INT64_MAX - kUnixEpochInFileTime) / kFileTimeStepsPerSecond;
  constexpr std::int64_t kEarliest = -kUnixEpochInFileTime / kFileTimeStepsPerSecond;
  if (unixSeconds < kEarliest || unixSeconds > kLatest) return false;
  auto steps =
      static_cast<std::uint64_t>(unixSeconds * kFileTimeStepsPerSecond + kUnixEpochInFileTime);
  FILETIME fileTime{static_cast<DWORD>(steps), static_cast<DWORD>(steps >> 32)};
  SYSTEMTIME utc, there;
  if (!FileTimeToSystemTime(&fileTime, &utc) ||
      !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &there)) {
    return false;
  }
  local = FromSystemTime(there);
  return true;
}

}  // namespace platform
