#pragma once
// The user's number format, read from the locale.

#include <optional>
#include <string>
#include <string_view>

namespace platform {

struct NumberFormat {
  int decimals = 2;
  int leadingZero = 1;
  int grouping = 3;  // 3 = groups of three; 32 = three, then twos (Indian)
  std::string decimalSeparator = ".";
  std::string thousandsSeparator = ",";
  int negativeOrder = 1;  // 0 "(1.1)", 1 "-1.1", 2 "- 1.1", 3 "1.1-", 4 "1.1 -"

  bool operator==(const NumberFormat&) const = default;
};

// Sets the run-time library's locale to the user's default for every category.
void UseUserLocale();
// The user's format (GetLocaleInfoW / localeconv). Fields that cannot be read keep `base`.
NumberFormat ReadUserNumberFormat(const NumberFormat& base = {});
// A plain number text ("-1234.5": optional minus, digits, optional point and digits) rounded
// half away from zero to `decimals` (0 to 9) fraction digits, padded with zeros, without
// leading zeros, and without a minus when it rounds to zero; nothing when it is no such text.
std::optional<std::string> RoundPlainNumber(std::string_view plain, int decimals);
// Formats a plain number text ("-1234.5") with a format (GetNumberFormatW on Windows);
// nothing when it cannot.
std::optional<std::string> FormatNumberText(std::string_view plain, const NumberFormat& format);

}  // namespace platform
