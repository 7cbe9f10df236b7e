#pragma once
// The OLE Automation date: a double counting days since 1899-12-30 00:00, whose fraction is
// the time of day. Before that day the fraction still counts forward from midnight, so -1.25
// is 1899-12-29 06:00.

#include "platform/clock.h"

// The calendar time as an OLE Automation date.
double OleDateFromCalendarTime(const platform::CalendarTime& time);
// The calendar time of an OLE Automation date, to the millisecond; false when the value is not
// a date of the years 100 to 9999.
bool CalendarTimeFromOleDate(double date, platform::CalendarTime& time);
// Now, in UTC, as an OLE Automation date: the time of a split.
double CurrentOleDateUtc();
