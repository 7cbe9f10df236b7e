#include "platform/clock.h"

#include <time.h>

namespace platform {
namespace {

CalendarTime FromBrokenDown(const tm& parts, long nanoseconds) {
  CalendarTime time;
  time.year = parts.tm_year + 1900;
  time.month = parts.tm_mon + 1;
  time.day = parts.tm_mday;
  time.hour = parts.tm_hour;
  time.minute = parts.tm_min;
  time.second = parts.tm_sec;
  time.millisecond = static_cast<int>(nanoseconds / 1000000);
  return time;
}

}  // namespace

std::uint64_t TickCount64() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * 1000 +
         static_cast<std::uint64_t>(now.tv_nsec / 1000000);
}

CalendarTime SystemTimeUtc() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm parts{};
  gmtime_r(&now.tv_sec, &parts);
  return FromBrokenDown(parts, now.tv_nsec);
}

bool LocalCalendarTime(std::int64_t unixSeconds, CalendarTime& local) {
  auto seconds = static_cast<time_t>(unixSeconds);
  tm parts{};
  if (static_cast<std::int64_t>(seconds) != unixSeconds ||
      localtime_r(&seconds, &parts) == nullptr) {
    return false;
  }
  local = FromBrokenDown(parts, 0);
  return true;
}

}  // namespace platform
