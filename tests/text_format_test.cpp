#include "base/text_format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <cwchar>
#include <limits>
#include <string>

#include "platform/system_error.h"
#include "platform/unicode.h"
#include "tests/support/locale_scope.h"

namespace {

using test::Locale;
using test::LocaleScope;

constexpr std::uint64_t KiB = 1024, MiB = KiB * 1024, GiB = MiB * 1024;
constexpr std::uint64_t kMaxBytes = std::numeric_limits<std::uint64_t>::max();

TEST(FormatInteger, GroupsDigitsAsTheLocaleDoes) {
  struct Case {
    Locale locale;
    std::string_view digits, expected;
  } cases[] = {{Locale::english, "1073741824", "1,073,741,824"},
               {Locale::english, "-1234567", "-1,234,567"},
               {Locale::english, "999", "999"},
               {Locale::german, "1073741824", "1.073.741.824"},
               {Locale::indian, "12345678", "1,23,45,678"},
               {Locale::indian, "1234", "1,234"}};
  for (const Case& c : cases) {
    LocaleScope scope(c.locale);
    EXPECT_EQ(FormatInteger(c.digits), c.expected);
  }
  LocaleScope scope(Locale::english);
  EXPECT_EQ(FormatInteger(kMaxBytes), "18,446,744,073,709,551,615");
  // 48 digits and their 15 separators fill the 64 characters with the terminator.
  EXPECT_EQ(FormatInteger(std::string(48, '9')).size(), 63u);
  EXPECT_EQ(FormatInteger(std::string(49, '9')), std::string(49, '9'));
  EXPECT_EQ(FormatInteger("12ab"), "12ab");
}

TEST(FormatDecimal, UsesTheLocaleSeparatorsAndDecimals) {
  {
    LocaleScope scope(Locale::english);
    EXPECT_EQ(FormatDecimal(1.5), "1.50");
    EXPECT_EQ(FormatDecimal(1234567.125), "1,234,567.13");
    EXPECT_EQ(FormatDecimal(-2.5), "-2.50");
  }
  LocaleScope scope(Locale::german);
  // The locale's decimal comma must not confuse the intermediate plain text.
  EXPECT_EQ(FormatDecimal(1234.5), "1.234,50");
}

TEST(FormatByteSize, ShortAndLongFormsTrimmedAndNot) {
  struct Case {
    std::uint64_t bytes;
    std::string_view shortForm, trimmed, longForm;
  } cases[] = {
      {0, "0.00 B", "0 B", "0"},
      {1023, "1,023.00 B", "1,023 B", "1,023"},
      {1024, "1.00 KB", "1 KB", "1,024 (1.00 KB)"},
      {1073741823, "1,024.00 MB", "1,024.00 MB", "1,073,741,823 (1,024.00 MB)"},
      {GiB, "1.00 GB", "1 GB", "1,073,741,824 (1.00 GB)"},
      {1610612736, "1.50 GB", "1.5 GB", "1,610,612,736 (1.50 GB)"},
      {681984000, "650.39 MB", "650.39 MB", "681,984,000 (650.39 MB)"},
      {0x3FFFFFFFFFFFF, "1,024.00 TB", "1,024.00 TB", "1,125,899,906,842,623 (1,024.00 TB)"},
      // Beyond the signed range the size still scales, in PB.
      {kMaxBytes, "16,384.00 PB", "16,384 PB", "18,446,744,073,709,551,615 (16,384.00 PB)"}};
  LocaleScope scope(Locale::english);
  for (const Case& c : cases) {
    EXPECT_EQ(FormatByteSize(c.bytes), c.shortForm);
    EXPECT_EQ(FormatByteSize(c.bytes, true), c.trimmed);
    EXPECT_EQ(FormatByteSizeLong(c.bytes), c.longForm);
  }
  EXPECT_EQ(FormatByteSizeLong(GiB, true), "1,073,741,824 (1 GB)");
  EXPECT_EQ(ByteSizeUnit(-5).unitIndex, 0);
}

TEST(FormatByteSize, FollowsTheGermanLocale) {
  LocaleScope scope(Locale::german);
  EXPECT_EQ(FormatByteSize(1610612736, true), "1,5 GB");
  EXPECT_EQ(FormatByteSizeLong(1610612736), "1.610.612.736 (1,50 GB)");
}

template <typename T, typename Parse>
void ExpectParsed(Parse parse, std::string_view text, T expected) {
  T value{};
  EXPECT_TRUE(parse(text, value)) << '"' << text << '"';
  EXPECT_EQ(value, expected) << '"' << text << '"';
}

// A parse that fails leaves the output alone and says why through the last system error.
template <typename T, typename Parse>
void ExpectRefused(Parse parse, std::string_view text) {
  T value{42};
  platform::SetLastSystemError(0);
  EXPECT_FALSE(parse(text, value)) << '"' << text << '"';
  EXPECT_EQ(value, T{42}) << '"' << text << '"';
  EXPECT_EQ(platform::LastSystemError(), platform::kErrorInvalidData) << '"' << text << '"';
}

TEST(ParseByteSize, AcceptsUnitsAndLocaleSeparators) {
  struct Case {
    std::string_view text;
    std::uint64_t bytes;
  } cases[] = {{"700 MB", 700 * MiB},    {"700mB", 700 * MiB}, {"0.5 gb", GiB / 2},
               {" 2 gb ", 2 * GiB},      {"1,024 KB", MiB},    {"1,5 KB", 15 * KiB},
               {"734003200", 734003200}, {"512.00 B", 512},    {"+3 tb", 3 * GiB * KiB},
               {"15 EB", 15ull << 60},   {"1.999 KB", 2046}};  // the fraction of a byte is dropped
  LocaleScope scope(Locale::english);
  for (const Case& c : cases) ExpectParsed(ParseByteSize, c.text, c.bytes);
}

TEST(ParseByteSize, RefusesTextsThatAreNoByteCount) {
  LocaleScope scope(Locale::english);
  for (std::string_view text :
       {"1.5 B", "1.5", "MB", "12 XB", "", "   ", "1 K", "KB 1", "1 KB 2", "1.2.3 MB", ". MB",
        // negative and beyond 64 bits: no byte count to give
        "-1 KB", "(1) KB", "16 EB", "18446744073709551616"}) {
    ExpectRefused<std::uint64_t>(ParseByteSize, text);
  }
}

TEST(ParseByteSize, ReadsTheGermanSeparators) {
  LocaleScope scope(Locale::german);
  ExpectParsed(ParseByteSize, "1,5 KB", std::uint64_t{1536});
  ExpectParsed(ParseByteSize, "1.024 KB", MiB);
  ExpectParsed(ParseByteSize, FormatByteSize(5 * GiB / 4), 5 * GiB / 4);
  ExpectRefused<std::uint64_t>(ParseByteSize, "1,5 B");
}

TEST(ParseInteger, AcceptsEverySignFormWithin64Bits) {
  struct Case {
    std::string_view text;
    std::int64_t value;
  } cases[] = {{"1,234", 1234},
               {" 42 ", 42},
               {"+5", 5},
               {"(5)", -5},
               {"-5", -5},
               {"- 5", -5},
               {"5-", -5},
               {"5 -", -5},
               {"007", 7},
               {"9,223,372,036,854,775,807", std::numeric_limits<std::int64_t>::max()},
               {"-9223372036854775808", std::numeric_limits<std::int64_t>::min()}};
  LocaleScope scope(Locale::english);
  for (const Case& c : cases) ExpectParsed(ParseInteger, c.text, c.value);
  for (std::string_view text : {"", "-", "()", "1.5", "--5", "+-5", "-(5)", "- - 5", "-  5", "(5",
                                "1e3", "12 34", "9223372036854775808", "-9223372036854775809"}) {
    ExpectRefused<std::int64_t>(ParseInteger, text);
  }
}

TEST(ParseDecimal, AcceptsOneLocaleDecimalSeparatorAndADigit) {
  {
    LocaleScope scope(Locale::english);
    ExpectParsed(ParseDecimal, "1,234.5", 1234.5);
    ExpectParsed(ParseDecimal, "(1.5)", -1.5);
    ExpectParsed(ParseDecimal, ".5", 0.5);
    ExpectParsed(ParseDecimal, "0.25 -", -0.25);
    for (std::string_view text : {"", ".", "1.2.3", "-.", "1e5", "inf", "nan"}) {
      ExpectRefused<double>(ParseDecimal, text);
    }
  }
  LocaleScope scope(Locale::german);
  ExpectParsed(ParseDecimal, "-1.234,5", -1234.5);
  ExpectRefused<double>(ParseDecimal, "1,2,3");
}

TEST(FormatTimeSpan, RoundsToSecondsAndShowsTheTimeOfDay) {
  constexpr double kSecond = 1.0 / 86400;
  struct Case {
    double days;
    std::string_view text;
  } cases[] = {{0, "00:00:00"},
               {0.4 * kSecond, "00:00:00"},
               {0.6 * kSecond, "00:00:01"},
               {3599.6 * kSecond, "01:00:00"},
               {(12 * 3600 + 34 * 60 + 56) * kSecond, "12:34:56"},
               {25.0 / 24, "01:00:00"},  // whole days are not shown
               {400 + 3 * kSecond, "00:00:03"},
               {-1.6 * kSecond, "-00:00:02"}};
  for (const Case& c : cases) EXPECT_EQ(FormatTimeSpan(c.days), c.text) << c.days;
  EXPECT_EQ(FormatTimeSpan(1, TimeStatus::null), "");
  EXPECT_EQ(FormatTimeSpan(std::numeric_limits<double>::infinity()), "");
}

// The C library's own "%c" text for a local time, with the weekday and daylight saving flag
// it works out itself; nothing when it cannot place the time.
std::string LibraryDateTimeText(int year, int month, int day, int hour, int minute, int second) {
  std::tm fields{};
  fields.tm_year = year - 1900;
  fields.tm_mon = month - 1;
  fields.tm_mday = day;
  fields.tm_hour = hour;
  fields.tm_min = minute;
  fields.tm_sec = second;
  fields.tm_isdst = -1;
  if (std::mktime(&fields) == static_cast<std::time_t>(-1)) return {};
  wchar_t text[256];
  std::size_t length = std::wcsftime(text, 256, L"%c", &fields);
  return platform::Utf16ToUtf8(std::u16string(text, text + length));
}

TEST(FormatDateTime, BreaksDatesDownAsTheCLibraryDoes) {
  struct Case {
    double oleDate;
    int year, month, day, hour, minute, second;
  } cases[] = {{25569, 1970, 1, 1, 0, 0, 0},
               {45351.75, 2024, 2, 29, 18, 0, 0},
               {45352.5 - 0.4 / 86400, 2024, 3, 1, 12, 0, 0},  // rounded to the nearest second
               {47848 + 86399.0 / 86400, 2030, 12, 31, 23, 59, 59},
               {45487.5, 2024, 7, 14, 12, 0, 0},  // summer: daylight saving where the zone has it
               {0, 1899, 12, 30, 0, 0, 0},
               {-1.25, 1899, 12, 29, 6, 0, 0},  // before 1900 the fraction still counts forward
               {-36522, 1800, 1, 1, 0, 0, 0}};
  for (const char* locale : {"C", "en_US.UTF-8", "de_DE.UTF-8"}) {
    test::CLibraryLocale scope(locale);
    if (!scope.known()) continue;
    for (const Case& c : cases) {
      std::string expected =
          LibraryDateTimeText(c.year, c.month, c.day, c.hour, c.minute, c.second);
      if (expected.empty()) continue;  // this C library has no calendar for it
      EXPECT_EQ(FormatDateTime(c.oleDate), expected) << locale << " " << c.oleDate;
    }
  }
}

TEST(FormatDateTime, NullIsEmptyAndInvalidDatesSaySo) {
  EXPECT_EQ(FormatDateTime(40000, TimeStatus::null), "");
  EXPECT_EQ(FormatDateTime(40000, TimeStatus::invalid), "Invalid DateTime");
  for (double outside : {-657435.0, 2958466.0, 1e300, std::numeric_limits<double>::quiet_NaN()}) {
    EXPECT_EQ(FormatDateTime(outside), "Invalid DateTime") << outside;
  }
  EXPECT_NE(FormatDateTime(-657434.0), "Invalid DateTime");  // 1 January 100
  EXPECT_NE(FormatDateTime(2958465.5), "Invalid DateTime");  // 31 December 9999
}

TEST(FormatDateTime, ScriptsGetIsoUtcRoundedAsTheTextIs) {
  EXPECT_EQ(FormatIsoDateTimeUtc(0.0), "1899-12-30T00:00:00Z");
  EXPECT_EQ(FormatIsoDateTimeUtc(-657434.0), "0100-01-01T00:00:00Z");
  EXPECT_EQ(FormatIsoDateTimeUtc(-1.25), "1899-12-29T06:00:00Z");
  EXPECT_EQ(FormatIsoDateTimeUtc(46364.5 + 0.4999 / 86400), "2026-12-08T12:00:00Z");
  EXPECT_EQ(FormatIsoDateTimeUtc(std::numeric_limits<double>::quiet_NaN()), "");
}

TEST(ProcessNumberFormat, TheUserFormatReadsBackWhatItShows) {
  platform::NumberFormat previous = ProcessNumberFormat();
  ReloadProcessNumberFormat();
  EXPECT_NE(ProcessNumberFormat().decimalSeparator, ProcessNumberFormat().thousandsSeparator);
  ExpectParsed(ParseDecimal, FormatDecimal(1234567.25), 1234567.25);
  SetProcessNumberFormat(previous);
}

}  // namespace
