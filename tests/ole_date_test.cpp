#include "engine/ole_date.h"

#include <gtest/gtest.h>

#include <limits>
#include <tuple>
#include <utility>

namespace {

void ExpectDate(double date, const platform::CalendarTime& expected) {
  platform::CalendarTime time;
  ASSERT_TRUE(CalendarTimeFromOleDate(date, time)) << date;
  EXPECT_EQ(std::tie(time.year, time.month, time.day, time.hour, time.minute, time.second,
                     time.millisecond),
            std::tie(expected.year, expected.month, expected.day, expected.hour, expected.minute,
                     expected.second, expected.millisecond))
      << date;
}

// Days since 1899-12-30; before it the fraction still counts the time of day forward.
TEST(OleDate, KnownDatesBothWays) {
  const std::pair<platform::CalendarTime, double> dates[] = {
      {{1899, 12, 30, 0, 0, 0, 0}, 0.0},       {{1899, 12, 30, 12, 0, 0, 0}, 0.5},
      {{1900, 1, 1, 0, 0, 0, 0}, 2.0},         {{1899, 12, 29, 6, 0, 0, 0}, -1.25},
      {{1800, 1, 1, 18, 0, 0, 0}, -36522.75},  {{2000, 2, 29, 18, 0, 0, 0}, 36585.75},
      {{2024, 3, 1, 6, 0, 0, 0}, 45352.25},    {{100, 1, 1, 0, 0, 0, 0}, -657434.0},
      {{9999, 12, 31, 0, 0, 0, 0}, 2958465.0}, {{2011, 7, 15, 13, 45, 30, 250}, 40739.573266782},
  };
  for (const auto& [time, date] : dates) {
    EXPECT_NEAR(OleDateFromCalendarTime(time), date, 1e-9) << date;
    ExpectDate(OleDateFromCalendarTime(time), time);
  }
}

TEST(OleDate, RoundingAndTheDaysAroundTheEpoch) {
  ExpectDate(-0.5, {1899, 12, 30, 12, 0, 0, 0});
  ExpectDate(36525.0 + 0.9999999999, {2000, 1, 1, 0, 0, 0, 0});
  ExpectDate(-1.9999999999, {1899, 12, 30, 0, 0, 0, 0});
}

TEST(OleDate, ValuesOutsideTheCalendarAreRefused) {
  platform::CalendarTime time;
  for (double date : {std::numeric_limits<double>::quiet_NaN(),
                      std::numeric_limits<double>::infinity(), -1e300, -657435.0, 2958466.0}) {
    EXPECT_FALSE(CalendarTimeFromOleDate(date, time)) << date;
  }
}

}  // namespace
