#include "ui/console/size_argument.h"

#include <cctype>
#include <limits>
#include <string>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view TakeDigits(std::string_view& text) {
  std::size_t count = 0;
  while (count < text.size() && IsDigit(text[count])) ++count;
  const std::string_view digits = text.substr(0, count);
  text.remove_prefix(count);
  return digits;
}

// The power of 1024 that the unit stands for: "", "B", "K", "KB", "KiB" and so on.
std::optional<int> UnitPower(std::string_view unit) {
  std::string lower;
  for (char c : unit) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower.empty() || lower == "b") return 0;
  const std::size_t letter = std::string_view("kmgtpe").find(lower.front());
  if (letter == std::string_view::npos) return std::nullopt;
  const std::string_view rest = std::string_view(lower).substr(1);
  if (!rest.empty() && rest != "b" && rest != "ib") return std::nullopt;
  return static_cast<int>(letter) + 1;
}

// value * 1024^power / 10^decimals in whole bytes (a fraction of a byte is dropped), or nothing
// on overflow.
std::optional<std::uint64_t> Scaled(std::string_view digits, std::size_t decimals, int power) {
  unsigned __int128 value = 0;
  for (char c : digits) {
    value = value * 10 + static_cast<unsigned>(c - '0');
    if (value > std::numeric_limits<std::uint64_t>::max()) return std::nullopt;
  }
  value <<= 10 * power;
  unsigned __int128 divisor = 1;
  for (std::size_t i = 0; i < decimals; ++i) divisor *= 10;
  value /= divisor;
  if (value > std::numeric_limits<std::uint64_t>::max()) return std::nullopt;
  return static_cast<std::uint64_t>(value);
}

}  // namespace

std::optional<std::uint64_t> ParseSizeArgument(std::string_view text) {
  text = Trimmed(text);
  std::string_view rest = text;
  const std::string_view whole = TakeDigits(rest);
  std::string_view fraction;
  if (!rest.empty() && rest.front() == '.') {
    rest.remove_prefix(1);
    fraction = TakeDigits(rest);
    if (fraction.empty()) return std::nullopt;
  }
  if (whole.empty() || whole.size() + fraction.size() > 30) return std::nullopt;
  const std::optional<int> power = UnitPower(Trimmed(rest));
  if (!power) return std::nullopt;
  return Scaled(std::string(whole) + std::string(fraction), fraction.size(), *power);
}
