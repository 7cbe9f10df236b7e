#include "engine/ole_date.h"

#include <cmath>
#include <cstdint>

namespace {

constexpr double kMillisecondsPerDay = 86400000.0;
// The range that the date type admits: 0100-01-01 to 9999-12-31 23:59:59.999.
constexpr double kFirstDate = -657434.0;
constexpr double kLastDate = 2958466.0;

// Days from 1970-01-01 to the day, in the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
  year -= month <= 2 ? 1 : 0;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const auto yearOfEra = static_cast<unsigned>(year - era * 400);
  const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

void CivilFromDays(std::int64_t days, platform::CalendarTime& time) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
  const unsigned yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned shiftedMonth = (5 * dayOfYear + 2) / 153;
  const unsigned month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
  time.year =
      static_cast<int>(static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0));
  time.month = static_cast<int>(month);
  time.day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
}

const std::int64_t kEpochDays = DaysFromCivil(1899, 12, 30);

}  // namespace

double OleDateFromCalendarTime(const platform::CalendarTime& time) {
  const std::int64_t days =
      DaysFromCivil(time.year, static_cast<unsigned>(time.month), static_cast<unsigned>(time.day)) -
      kEpochDays;
  const double fraction =
      ((time.hour * 60.0 + time.minute) * 60.0 + time.second + time.millisecond / 1000.0) * 1000.0 /
      kMillisecondsPerDay;
  return days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
}

bool CalendarTimeFromOleDate(double date, platform::CalendarTime& time) {
  if (!(date > kFirstDate - 1.0 && date < kLastDate)) return false;  // also refuses NaN
  const double wholeDays = std::trunc(date);
  auto days = static_cast<std::int64_t>(wholeDays);
  auto milliseconds = std::llround(std::fabs(date - wholeDays) * kMillisecondsPerDay);
  if (milliseconds >= static_cast<long long>(kMillisecondsPerDay)) {
    milliseconds -= static_cast<long long>(kMillisecondsPerDay);
    ++days;
  }
  CivilFromDays(days + kEpochDays, time);
  if (time.year < 100 || time.year > 9999) return false;
  time.millisecond = static_cast<int>(milliseconds % 1000);
  time.second = static_cast<int>(milliseconds / 1000 % 60);
  time.minute = static_cast<int>(milliseconds / 60000 % 60);
  time.hour = static_cast<int>(milliseconds / 3600000);
  return true;
}

double CurrentOleDateUtc() { return OleDateFromCalendarTime(platform::SystemTimeUtc()); }
