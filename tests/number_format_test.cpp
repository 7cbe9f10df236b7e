#include "platform/number_format.h"

#include <gtest/gtest.h>

// The formatter of each platform must show the same texts for the formats the program uses.
TEST(FormatNumberText, AppliesEveryFieldOfTheFormat) {
  platform::NumberFormat english;
  platform::NumberFormat german;
  german.decimalSeparator = ",";
  german.thousandsSeparator = ".";
  platform::NumberFormat indian;
  indian.grouping = 32;
  platform::NumberFormat noZero;
  noZero.leadingZero = 0;
  platform::NumberFormat ungrouped;
  ungrouped.grouping = 0;
  platform::NumberFormat whole;
  whole.decimals = 0;
  platform::NumberFormat wideSeparators;
  wideSeparators.thousandsSeparator = "\xE2\x80\xAF";  // narrow no-break space
  wideSeparators.decimalSeparator = "::";
  struct Case {
    const platform::NumberFormat& format;
    std::string_view plain, expected;
  } cases[] = {
      {english, "1234567.891", "1,234,567.89"},
      {english, "999.995", "1,000.00"},  // rounding carries into the integer part
      {english, "0.125", "0.13"},        // half away from zero
      {english, "12", "12.00"},
      {english, "-0.001", "0.00"},  // no sign on a number shown as zero
      {english, "123", "123.00"},
      {english, "1234", "1,234.00"},
      {english, "0001234", "1,234.00"},
      {english, ".5", "0.50"},
      {german, "1234567.891", "1.234.567,89"},
      {indian, "12345678", "1,23,45,678.00"},
      {indian, "123456", "1,23,456.00"},
      {indian, "1234", "1,234.00"},
      {noZero, "0.5", ".50"},
      {ungrouped, "1234567", "1234567.00"},
      {whole, "1234.5", "1,235"},
      {whole, "1234.4", "1,234"},
      {whole, "0", "0"},
      {wideSeparators, "1234.5",
       "1\xE2\x80\xAF"
       "234::50"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::FormatNumberText(c.plain, c.format), c.expected) << c.plain;
  }
}

TEST(FormatNumberText, PlacesTheSignAsTheNegativeOrderSays) {
  const char* expected[] = {"(1,234.50)", "-1,234.50", "- 1,234.50", "1,234.50-", "1,234.50 -"};
  for (int order = 0; order < 5; ++order) {
    platform::NumberFormat format;
    format.negativeOrder = order;
    EXPECT_EQ(platform::FormatNumberText("-1234.5", format), expected[order]) << order;
  }
}

TEST(FormatNumberText, RefusesTextsThatAreNoPlainNumberAndImpossibleFormats) {
  platform::NumberFormat tooManyDecimals;
  tooManyDecimals.decimals = 10;
  EXPECT_FALSE(platform::FormatNumberText("1", tooManyDecimals).has_value());
  for (std::string_view plain : {"", "-", ".", "12a", "1.2.3", "1,234", "+5", " 5", "--5", "1e5"}) {
    EXPECT_FALSE(platform::FormatNumberText(plain, {}).has_value()) << plain;
  }
}
