#include "engine/ole_date.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct DateCase {
  platform::CalendarTime time;
  double date;
};

// Days since 1899-12-30; before it the fraction still counts the time of day forward.
const DateCase kDates[] = {
    {{1899, 12, 30, 0, 0, 0, 0}, 0.0},      {{1899, 12, 30, 12, 0, 0, 0}, 0.5},
    {{1900, 1, 1, 0, 0, 0, 0}, 2.0},        {{1899, 12, 29, 6, 0, 0, 0}, -1.25},
    {{1800, 1, 1, 18, 0, 0, 0}, -36522.75}, {{1970, 1, 1, 0, 0, 0, 0}, 25569.0},
    {{2000, 2, 29, 18, 0, 0, 0}, 36585.75}, {{2024, 3, 1, 6, 0, 0, 0}, 45352.25},
    {{100, 1, 1, 0, 0, 0, 0}, -657434.0},   {{9999, 12, 31, 0, 0, 0, 0}, 2958465.0},
};

void ExpectSameTime(const platform::CalendarTime& actual, const platform::CalendarTime& expected) {
  EXPECT_EQ(actual.year, expected.year);
  EXPECT_EQ(actual.month, expected.month);
  EXPECT_EQ(actual.day, expected.day);
  EXPECT_EQ(actual.hour, expected.hour);
  EXPECT_EQ(actual.minute, expected.minute);
  EXPECT_EQ(actual.second, expected.second);
  EXPECT_EQ(actual.millisecond, expected.millisecond);
}

TEST(OleDate, KnownDatesBothWays) {
  for (const DateCase& known : kDates) {
    SCOPED_TRACE(known.date);
    EXPECT_EQ(OleDateFromCalendarTime(known.time), known.date);
    platform::CalendarTime time;
    ASSERT_TRUE(CalendarTimeFromOleDate(known.date, time));
    ExpectSameTime(time, known.time);
  }
}

TEST(OleDate, TimeOfDayToTheMillisecond) {
  const platform::CalendarTime time{2011, 7, 15, 13, 45, 30, 250};
  platform::CalendarTime back;
  ASSERT_TRUE(CalendarTimeFromOleDate(OleDateFromCalendarTime(time), back));
  ExpectSameTime(back, time);
}

TEST(OleDate, HalfADayBeforeTheEpochIsNoonOfTheEpochDay) {
  platform::CalendarTime time;
  ASSERT_TRUE(CalendarTimeFromOleDate(-0.5, time));
  ExpectSameTime(time, {1899, 12, 30, 12, 0, 0, 0});
}

TEST(OleDate, LastMillisecondRoundsIntoTheNextDay) {
  platform::CalendarTime time;
  ASSERT_TRUE(CalendarTimeFromOleDate(36525.0 + 0.9999999999, time));
  ExpectSameTime(time, {2000, 1, 1, 0, 0, 0, 0});
  ASSERT_TRUE(CalendarTimeFromOleDate(-1.9999999999, time));
  ExpectSameTime(time, {1899, 12, 30, 0, 0, 0, 0});
}

TEST(OleDate, ValuesOutsideTheCalendarAreRefused) {
  platform::CalendarTime time;
  for (double date :
       {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), -1e300,
        1e300, -657435.0, 2958466.0, 2958465.9999999999}) {
    EXPECT_FALSE(CalendarTimeFromOleDate(date, time)) << date;
  }
}

TEST(OleDate, NowIsAfterTheProgramWasWritten) {
  EXPECT_GT(CurrentOleDateUtc(), 45292.0);  // 2024-01-01
}

}  // namespace
