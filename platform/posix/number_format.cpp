#include "platform/number_format.h"

#include <iconv.h>
#include <langinfo.h>

#include <climits>
#include <clocale>

namespace platform {

namespace {

// Separators are kept to four characters, as the Windows locale data allows.
constexpr std::size_t kMaxSeparatorCharacters = 4;

std::size_t CharacterCount(std::string_view utf8) {
  std::size_t count = 0;
  for (unsigned char c : utf8) count += (c & 0xC0) != 0x80;
  return count;
}

// localeconv texts are in the locale's character set; the program's text is UTF-8.
std::optional<std::string> LocaleTextToUtf8(const char* text) {
  std::string_view codeset = nl_langinfo(CODESET);
  if (codeset == "UTF-8") return std::string(text);
  iconv_t converter = iconv_open("UTF-8", std::string(codeset).c_str());
  if (converter == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string in(text);
  std::string out(in.size() * 4 + 4, '\0');
  char* inPtr = in.data();
  char* outPtr = out.data();
  std::size_t inLeft = in.size(), outLeft = out.size();
  std::size_t result = iconv(converter, &inPtr, &inLeft, &outPtr, &outLeft);
  iconv_close(converter);
  if (result == static_cast<std::size_t>(-1)) return std::nullopt;
  out.resize(out.size() - outLeft);
  return out;
}

void ReadSeparator(const char* text, std::string& field) {
  if (text == nullptr) return;
  std::optional<std::string> utf8 = LocaleTextToUtf8(text);
  if (utf8 && CharacterCount(*utf8) <= kMaxSeparatorCharacters) field = *utf8;
}

// "\3\2" (three, then twos) gives 32; otherwise the first group size, or 0 (no grouping)
// when the locale groups nothing.
int GroupingValue(const char* grouping) {
  if (grouping == nullptr || grouping[0] <= 0 || grouping[0] == CHAR_MAX) return 0;
  if (grouping[0] == 3 && grouping[1] == 2) return 32;
  return grouping[0] <= 9 ? grouping[0] : 0;
}

std::string GroupDigits(std::string_view digits, int grouping, std::string_view separator) {
  if (grouping == 0) return std::string(digits);
  std::size_t group = grouping == 32 ? 3 : static_cast<std::size_t>(grouping);
  std::size_t later = grouping == 32 ? 2 : group;
  std::string grouped;
  std::size_t end = digits.size();
  while (end > group) {
    grouped.insert(0, std::string(separator) + std::string(digits.substr(end - group, group)));
    end -= group;
    group = later;
  }
  return std::string(digits.substr(0, end)) + grouped;
}

std::optional<std::string> WithNegativeSign(const std::string& text, int order) {
  switch (order) {
    case 0:
      return "(" + text + ")";
    case 1:
      return "-" + text;
    case 2:
      return "- " + text;
    case 3:
      return text + "-";
    case 4:
      return text + " -";
    default:
      return std::nullopt;
  }
}

}  // namespace

void UseUserLocale() { std::setlocale(LC_ALL, ""); }

// POSIX has no number-of-decimals, leading-zero or negative-order setting for numbers: those
// keep `base`.
NumberFormat ReadUserNumberFormat(const NumberFormat& base) {
  NumberFormat format = base;
  const std::lconv* conventions = std::localeconv();
  if (conventions == nullptr) return format;
  ReadSeparator(conventions->decimal_point, format.decimalSeparator);
  ReadSeparator(conventions->thousands_sep, format.thousandsSeparator);
  format.grouping = GroupingValue(conventions->grouping);
  return format;
}

// Follows the rules of the Windows number formatter, so that both platforms show the same.
std::optional<std::string> FormatNumberText(std::string_view plain, const NumberFormat& format) {
  bool validGrouping = format.grouping >= 0 && (format.grouping <= 9 || format.grouping == 32);
  std::optional<std::string> rounded = RoundPlainNumber(plain, format.decimals);
  if (!validGrouping || !rounded) return std::nullopt;
  std::string_view number = *rounded;
  bool negative = number.front() == '-';
  if (negative) number.remove_prefix(1);
  std::size_t point = number.find('.');
  std::string_view integer = number.substr(0, point);
  if (integer == "0" && point != std::string_view::npos && format.leadingZero == 0) integer = {};
  std::string text = GroupDigits(integer, format.grouping, format.thousandsSeparator);
  if (point != std::string_view::npos) {
    text += format.decimalSeparator + std::string(number.substr(point + 1));
  }
  if (!negative) return text;
  return WithNegativeSign(text, format.negativeOrder);
}

}  // namespace platform
