#pragma once
// Monotonic ticks and calendar time.

#include <cstdint>

namespace platform {

// Milliseconds from a monotonic counter (GetTickCount64 / CLOCK_MONOTONIC).
std::uint64_t TickCount64();

struct CalendarTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
};

// Now, in UTC (GetSystemTime / clock_gettime).
CalendarTime SystemTimeUtc();
// Seconds since 1970-01-01 UTC broken down in the user's local time; false when it cannot be.
bool LocalCalendarTime(std::int64_t unixSeconds, CalendarTime& local);

}  // namespace platform
