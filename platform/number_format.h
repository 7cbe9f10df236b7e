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
  int negativeOrder = 1;
};

// Sets the run-time library's locale to the user's default for every category.
void UseUserLocale();
// The user's format (GetLocaleInfoW / localeconv). Fields that cannot be read keep `base`.
NumberFormat ReadUserNumberFormat(const NumberFormat& base = {});
// Formats a plain number text ("-1234.5") with a format (GetNumberFormatW on Windows);
// nothing when it cannot.
std::optional<std::string> FormatNumberText(std::string_view plain, const NumberFormat& format);

}  // namespace platform
