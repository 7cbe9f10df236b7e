#include "base/text_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <cwchar>
#include <limits>
#include <optional>

#include "base/message_format.h"
#include "platform/system_error.h"
#include "platform/unicode.h"
#include "res/resource.h"

namespace {

// Formatted numbers longer than this (terminator included) are shown unformatted.
constexpr std::size_t kFormattedCapacity = 64;
constexpr std::size_t kDateTimeCapacity = 256;
constexpr double kSecondsPerDay = 86400.0;
constexpr std::string_view kWhiteSpace = " \t\n\v\f\r";

platform::NumberFormat& NumberFormatRecord() {
  static platform::NumberFormat format = [] {
    platform::UseUserLocale();
    return platform::ReadUserNumberFormat();
  }();
  return format;
}

// Filled during static initialisation, so the locale is the user's before the program starts.
[[maybe_unused]] const bool kNumberFormatFilled = (NumberFormatRecord(), true);

std::string FormatPlainNumber(std::string_view plain, int decimals) {
  platform::NumberFormat format = NumberFormatRecord();
  format.decimals = decimals;
  std::optional<std::string> text = platform::FormatNumberText(plain, format);
  if (!text || platform::Utf16Length(*text) + 1 > kFormattedCapacity) return std::string(plain);
  return *text;
}

// "%f" with a period whatever the locale.
std::string FixedSixDecimals(double value) {
  char buffer[400];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
  return std::string(buffer, result.ptr);
}

std::string FormatDecimalWith(double value, int decimals) {
  return FormatPlainNumber(FixedSixDecimals(value), decimals);
}

// The fewest decimals, up to the locale's, that show the value exactly.
int TrimmedDecimals(double value, int maxDecimals) {
  double scaled = value;
  for (int decimals = 0; decimals < maxDecimals; ++decimals, scaled *= 10) {
    if (std::floor(scaled) == scaled) return decimals;
  }
  return maxDecimals;
}

ScaledSize ScaleBytes(std::uint64_t bytes) {
  constexpr std::uint64_t kLastByteCount[] = {0x3FF, 0xFFFFF, 0x3FFFFFFF, 0xFFFFFFFFFF,
                                              0x3FFFFFFFFFFFF};
  int unit = 0;
  while (unit < 5 && bytes > kLastByteCount[unit]) ++unit;
  double unitBytes = static_cast<double>(std::uint64_t{1} << (10 * unit));
  return {static_cast<double>(bytes) / unitBytes, unit};
}

std::string_view Trim(std::string_view text) {
  std::size_t first = text.find_first_not_of(kWhiteSpace);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kWhiteSpace) - first + 1);
}

bool Fail() {
  platform::SetLastSystemError(platform::kErrorInvalidData);
  return false;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool StartsWith(std::string_view text, std::string_view start) {
  return text.substr(0, start.size()) == start;
}

bool EndsWith(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

struct SignedText {
  bool negative = false;
  std::string digits;  // what is left after the sign, for the caller to check
};

// Trims, drops the thousands separators and takes off the sign in any of the forms the
// locale settings allow: +1, (1), -1, - 1, 1-, 1 -.
SignedText TakeSign(std::string_view input) {
  std::string text(Trim(input));
  const std::string& separator = NumberFormatRecord().thousandsSeparator;
  if (!separator.empty()) {
    for (std::size_t at = text.find(separator); at != std::string::npos;
         at = text.find(separator, at)) {
      text.erase(at, separator.size());
    }
  }
  std::string_view rest = text;
  bool negative = false;
  if (StartsWith(rest, "+")) {
    rest.remove_prefix(1);
  } else if (rest.size() >= 2 && StartsWith(rest, "(") && EndsWith(rest, ")")) {
    negative = true;
    rest = rest.substr(1, rest.size() - 2);
  } else if (StartsWith(rest, "-")) {
    negative = true;
    rest.remove_prefix(StartsWith(rest, "- ") ? 2 : 1);
  } else if (EndsWith(rest, "-")) {
    negative = true;
    rest.remove_suffix(EndsWith(rest, " -") ? 2 : 1);
  }
  return {negative, std::string(rest)};
}

// The span's time of day, "%02ld" each.
std::string HoursMinutesSeconds(double seconds) {
  long withinDay = static_cast<long>(std::fmod(seconds, kSecondsPerDay));
  char text[32];
  std::snprintf(text, sizeof text, "%02ld:%02ld:%02ld", withinDay / 3600, withinDay / 60 % 60,
                withinDay % 60);
  return text;
}

// Dates the automation form can break down: 1 January 100 to 31 December 9999.
constexpr double kFirstDate = -657434.0;
constexpr double kEndDate = 2958466.0;

// Calendar fields of a day count from 1 January 1970 (proleptic Gregorian).
void CivilFromDays(std::int64_t days, std::tm& fields) {
  std::int64_t fromMarch0000 = days + 719468;
  std::int64_t era = (fromMarch0000 >= 0 ? fromMarch0000 : fromMarch0000 - 146096) / 146097;
  std::int64_t dayOfEra = fromMarch0000 - era * 146097;
  std::int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;  // March = 0
  std::int64_t day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
  std::int64_t month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
  std::int64_t year = yearOfEra + era * 400 + (month <= 2);
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  constexpr int kDaysBeforeMonth[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  fields.tm_year = static_cast<int>(year - 1900);
  fields.tm_mon = static_cast<int>(month - 1);
  fields.tm_mday = static_cast<int>(day);
  fields.tm_yday = kDaysBeforeMonth[month - 1] + static_cast<int>(day) - 1 + (leap && month > 2);
  fields.tm_wday = static_cast<int>((days % 7 + 11) % 7);  // 1 January 1970: Thursday
}

// The value is local time: the C library says whether daylight saving applies, so that a
// zone name in "%c" is the right one. Times it cannot place (before 1970 on some systems, in
// the hour skipped by a clock change) keep standard time.
void AddDaylightSavingFlag(std::tm& fields) {
  std::tm placed = fields;
  placed.tm_isdst = -1;
  std::mktime(&placed);
  bool same = placed.tm_year == fields.tm_year && placed.tm_mon == fields.tm_mon &&
              placed.tm_mday == fields.tm_mday && placed.tm_hour == fields.tm_hour &&
              placed.tm_min == fields.tm_min && placed.tm_sec == fields.tm_sec;
  if (same && placed.tm_isdst >= 0) fields = placed;
}

// An automation date keeps the time of day as a fraction that counts forward even before
// 30 December 1899: -1.25 is 29 December 1899, 06:00.
std::optional<std::tm> BreakDownDate(double oleDate) {
  if (!(oleDate >= kFirstDate && oleDate < kEndDate)) return std::nullopt;
  double day = std::trunc(oleDate);
  double linear = day + std::fabs(oleDate - day);
  auto seconds = static_cast<std::int64_t>(std::llround(linear * kSecondsPerDay));
  constexpr std::int64_t kSecondsPerDayWhole = 86400;
  constexpr std::int64_t kDaysFrom1899To1970 = 25569;
  std::int64_t days =
      (seconds >= 0 ? seconds : seconds - kSecondsPerDayWhole + 1) / kSecondsPerDayWhole;
  std::int64_t secondOfDay = seconds - days * kSecondsPerDayWhole;
  std::tm fields{};
  CivilFromDays(days - kDaysFrom1899To1970, fields);
  fields.tm_hour = static_cast<int>(secondOfDay / 3600);
  fields.tm_min = static_cast<int>(secondOfDay / 60 % 60);
  fields.tm_sec = static_cast<int>(secondOfDay % 60);
  AddDaylightSavingFlag(fields);
  return fields;
}

// The wide text of the run-time library in UTF-8 (UTF-16 on Windows, UTF-32 elsewhere).
std::string WideToUtf8(std::wstring_view wide) {
  std::u16string utf16;
  for (wchar_t c : wide) {
    auto code = static_cast<std::uint32_t>(c);
    if (code > 0xFFFF) {
      code -= 0x10000;
      utf16 += static_cast<char16_t>(0xD800 + (code >> 10));
      utf16 += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else {
      utf16 += static_cast<char16_t>(code);
    }
  }
  return platform::Utf16ToUtf8(utf16);
}

}  // namespace

const platform::NumberFormat& ProcessNumberFormat() { return NumberFormatRecord(); }

void ReloadProcessNumberFormat() {
  NumberFormatRecord() = platform::ReadUserNumberFormat(NumberFormatRecord());
}

void SetProcessNumberFormat(const platform::NumberFormat& format) { NumberFormatRecord() = format; }

std::string FormatInteger(std::string_view digits) { return FormatPlainNumber(digits, 0); }

std::string FormatInteger(std::uint64_t value) { return FormatInteger(std::to_string(value)); }

std::string FormatDecimal(double value) {
  return FormatDecimalWith(value, NumberFormatRecord().decimals);
}

ScaledSize ByteSizeUnit(std::int64_t bytes) {
  if (bytes < 0) return {static_cast<double>(bytes), 0};
  return ScaleBytes(static_cast<std::uint64_t>(bytes));
}

std::string FormatByteSize(std::uint64_t bytes, bool trimmed) {
  ScaledSize size = ScaleBytes(bytes);
  int decimals = NumberFormatRecord().decimals;
  if (trimmed) decimals = TrimmedDecimals(size.value, decimals);
  return FormatDecimalWith(size.value, decimals) + " " +
         LoadStringPart(IDS_BYTE_UNITS, size.unitIndex);
}

std::string FormatByteSizeLong(std::uint64_t bytes, bool trimmed) {
  if (bytes < 1024) return FormatInteger(bytes);
  return LoadMessage(IDS_NUMBER_WITH_SIZE, {FormatInteger(bytes), FormatByteSize(bytes, trimmed)})
      .value_or(std::string());
}

bool ParseByteSize(std::string_view input, std::uint64_t& bytes) {
  struct Unit {
    std::string_view name;
    int shift;
  };
  constexpr Unit kUnits[] = {{"EB", 60}, {"PB", 50}, {"TB", 40},
                             {"GB", 30}, {"MB", 20}, {"KB", 10}};
  std::string_view text = Trim(input);
  std::string upper(text);
  for (char& c : upper) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  int shift = -1;
  std::size_t unitLength = 0;
  for (const Unit& unit : kUnits) {
    if (EndsWith(upper, unit.name)) {
      shift = unit.shift;
      unitLength = 2;
      break;
    }
  }
  if (shift < 0 && EndsWith(upper, "B")) {
    shift = 0;
    unitLength = 1;
  } else if (shift < 0 && !text.empty() && IsDigit(text.back())) {
    shift = 0;
  }
  if (shift < 0) return Fail();
  text.remove_suffix(unitLength);
  double number = 0;
  if (!ParseDecimal(Trim(text), number)) return false;
  if (shift == 0 && std::floor(number) != number) return Fail();
  // Negative sizes and sizes beyond 64 bits have no byte count: refuse them rather than let
  // the conversion wrap.
  double value = std::ldexp(number, shift);
  if (!(value >= 0 && value < 18446744073709551616.0)) return Fail();
  bytes = static_cast<std::uint64_t>(value);
  return true;
}

bool ParseInteger(std::string_view text, std::int64_t& value) {
  SignedText number = TakeSign(text);
  const std::string& digits = number.digits;
  if (digits.empty() || !std::all_of(digits.begin(), digits.end(), IsDigit)) return Fail();
  std::uint64_t magnitude = 0;
  auto result = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
  constexpr std::uint64_t kLargest = std::numeric_limits<std::int64_t>::max();
  if (result.ec != std::errc() || magnitude > kLargest + (number.negative ? 1 : 0)) return Fail();
  value = number.negative ? static_cast<std::int64_t>(0 - magnitude)
                          : static_cast<std::int64_t>(magnitude);
  return true;
}

bool ParseDecimal(std::string_view text, double& value) {
  SignedText number = TakeSign(text);
  const std::string& separator = NumberFormatRecord().decimalSeparator;
  std::string plain;
  std::size_t points = 0, digits = 0;
  for (std::size_t i = 0; i < number.digits.size();) {
    if (IsDigit(number.digits[i])) {
      plain += number.digits[i++];
      ++digits;
    } else if (!separator.empty() && number.digits.compare(i, separator.size(), separator) == 0) {
      plain += '.';
      ++points;
      i += separator.size();
    } else {
      return Fail();
    }
  }
  // One decimal separator at most, and a digit somewhere: "." or "1.2.3" is no number.
  if (digits == 0 || points > 1) return Fail();
  double magnitude = 0;
  auto result = std::from_chars(plain.data(), plain.data() + plain.size(), magnitude);
  if (result.ec != std::errc() || result.ptr != plain.data() + plain.size()) return Fail();
  value = number.negative ? -magnitude : magnitude;
  return true;
}

std::string FormatTimeSpan(double days, TimeStatus status) {
  if (status != TimeStatus::valid || !std::isfinite(days)) return {};
  double seconds = std::round(days * kSecondsPerDay);  // half a second away from zero
  if (seconds < 0) return "-" + HoursMinutesSeconds(-seconds);
  return HoursMinutesSeconds(seconds);
}

std::string FormatDateTime(double oleDate, TimeStatus status) {
  if (status == TimeStatus::null) return {};
  std::optional<std::tm> fields;
  if (status == TimeStatus::valid) fields = BreakDownDate(oleDate);
  if (!fields) return LoadMessage(IDS_INVALID_DATETIME).value_or(std::string());
  wchar_t text[kDateTimeCapacity];
  std::size_t length = std::wcsftime(text, kDateTimeCapacity, L"%c", &*fields);
  return WideToUtf8(std::wstring_view(text, length));
}

std::string FormatIsoDateTimeUtc(double oleDateUtc) {
  const std::optional<std::tm> fields = BreakDownDate(oleDateUtc);
  if (!fields) return {};
  char text[80];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", fields->tm_year + 1900,
                fields->tm_mon + 1, fields->tm_mday, fields->tm_hour, fields->tm_min,
                fields->tm_sec);
  return text;
}
