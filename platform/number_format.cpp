#include "platform/number_format.h"

#include <algorithm>

namespace platform {

namespace {

bool AllDigits(std::string_view text) {
  return text.find_first_not_of("0123456789") == std::string_view::npos;
}

// Adds one unit in the last place of a digit string.
void Increment(std::string& digits) {
  std::size_t i = digits.size();
  while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
  if (i == 0) {
    digits.insert(digits.begin(), '1');
  } else {
    ++digits[i - 1];
  }
}

}  // namespace

// The rounding is ours on every platform: the Windows formatter, as Wine has it, does not
// regroup a number that rounding makes one digit longer (999.995 gave "1000.00").
std::optional<std::string> RoundPlainNumber(std::string_view plain, int decimals) {
  if (decimals < 0 || decimals > 9) return std::nullopt;
  bool negative = !plain.empty() && plain.front() == '-';
  if (negative) plain.remove_prefix(1);
  std::size_t point = plain.find('.');
  std::string_view integer = plain.substr(0, point);
  std::string_view fraction =
      point == std::string_view::npos ? std::string_view() : plain.substr(point + 1);
  if ((integer.empty() && fraction.empty()) || !AllDigits(integer) || !AllDigits(fraction)) {
    return std::nullopt;
  }
  auto kept = static_cast<std::size_t>(decimals);
  std::string digits = std::string(integer) + std::string(fraction.substr(0, kept));
  digits.append(kept - std::min(kept, fraction.size()), '0');
  if (fraction.size() > kept && fraction[kept] >= '5') Increment(digits);
  std::string whole = digits.substr(0, digits.size() - kept);
  whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size()));
  bool zero = digits.find_first_not_of('0') == std::string::npos;
  std::string text = negative && !zero ? "-" : "";
  text += whole.empty() ? "0" : whole;
  if (kept > 0) text += "." + digits.substr(digits.size() - kept);
  return text;
}

}  // namespace platform
