#include "platform/number_format.h"

#include <gtest/gtest.h>

using platform::FormatNumberText;
using platform::NumberFormat;

// The formatter of each platform must show the same texts for the formats the program uses.
TEST(FormatNumberText, AppliesEveryFieldOfTheFormat) {
  const NumberFormat english, german{.decimalSeparator = ",", .thousandsSeparator = "."};
  struct Case {
    NumberFormat format;
    std::string_view plain, expected;
  } cases[] = {
      {english, "1234567.891", "1,234,567.89"},
      {english, "999.995", "1,000.00"},  // rounding carries into the integer part
      {english, "0.125", "0.13"},        // half away from zero
      {english, "-0.001", "0.00"},       // no sign on a number shown as zero
      {english, "0001234", "1,234.00"},
      {english, ".5", "0.50"},
      {german, "1234567.891", "1.234.567,89"},
      {{.grouping = 32}, "12345678", "1,23,45,678.00"},
      {{.grouping = 32}, "123456", "1,23,456.00"},
      {{.leadingZero = 0}, "0.5", ".50"},
      {{.grouping = 0}, "1234567", "1234567.00"},
      {{.decimals = 0}, "1234.5", "1,235"},
      {{.decimals = 0}, "0", "0"},
      {{.decimalSeparator = "::", .thousandsSeparator = "\u202F"}, "1234.5", "1\u202F234::50"}};
  for (const Case& c : cases) EXPECT_EQ(FormatNumberText(c.plain, c.format), c.expected);
}

TEST(FormatNumberText, PlacesTheSignAsTheNegativeOrderSays) {
  const char* expected[] = {"(1,234.50)", "-1,234.50", "- 1,234.50", "1,234.50-", "1,234.50 -"};
  for (int order = 0; order < 5; ++order) {
    EXPECT_EQ(FormatNumberText("-1234.5", {.negativeOrder = order}), expected[order]);
  }
}

TEST(FormatNumberText, RefusesTextsThatAreNoPlainNumberAndImpossibleFormats) {
  EXPECT_FALSE(FormatNumberText("1", {.decimals = 10}).has_value());
  for (std::string_view plain : {"", "-", ".", "12a", "1.2.3", "1,234", "+5", " 5", "--5", "1e5"}) {
    EXPECT_FALSE(FormatNumberText(plain, {}).has_value()) << plain;
  }
}
