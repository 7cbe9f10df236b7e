#include "platform/number_format.h"

#include <clocale>
#include <cwchar>

#include "platform/win32/windows_support.h"

namespace platform {

namespace {

constexpr int kValueBufferSize = 8;
constexpr int kSeparatorBufferSize = 5;

bool ReadLocaleText(LCTYPE type, int bufferSize, std::wstring& text) {
  wchar_t buffer[kValueBufferSize] = {};
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, bufferSize) == 0) return false;
  text = buffer;
  return true;
}

bool ReadLocaleNumber(LCTYPE type, int& field) {
  std::wstring text;
  if (!ReadLocaleText(type, kValueBufferSize, text)) return false;
  field = static_cast<int>(std::wcstol(text.c_str(), nullptr, 10));
  return true;
}

bool ReadLocaleSeparator(LCTYPE type, std::string& field) {
  std::wstring text;
  if (!ReadLocaleText(type, kSeparatorBufferSize, text)) return false;
  field = Narrow(text);
  return true;
}

// "3;2;0" (three, then twos) gives 32; any other text the value of its first digit.
bool ReadLocaleGrouping(int& field) {
  std::wstring text;
  if (!ReadLocaleText(LOCALE_SGROUPING, kValueBufferSize, text)) return false;
  if (text == L"3;2;0") {
    field = 32;
  } else {
    field = !text.empty() && text[0] >= L'0' && text[0] <= L'9' ? text[0] - L'0' : 0;
  }
  return true;
}

}  // namespace

void UseUserLocale() { std::setlocale(LC_ALL, ""); }

// Read in the order of the record; when one read fails the fields after it keep `base`.
NumberFormat ReadUserNumberFormat(const NumberFormat& base) {
  NumberFormat format = base;
  if (!ReadLocaleNumber(LOCALE_IDIGITS, format.decimals)) return format;
  if (!ReadLocaleNumber(LOCALE_ILZERO, format.leadingZero)) return format;
  if (!ReadLocaleGrouping(format.grouping)) return format;
  if (!ReadLocaleSeparator(LOCALE_SDECIMAL, format.decimalSeparator)) return format;
  if (!ReadLocaleSeparator(LOCALE_STHOUSAND, format.thousandsSeparator)) return format;
  ReadLocaleNumber(LOCALE_INEGNUMBER, format.negativeOrder);
  return format;
}

std::optional<std::string> FormatNumberText(std::string_view plain, const NumberFormat& format) {
  std::optional<std::string> rounded = RoundPlainNumber(plain, format.decimals);
  if (!rounded || format.leadingZero < 0 || format.grouping < 0 || format.negativeOrder < 0) {
    return std::nullopt;
  }
  std::wstring value = Widen(*rounded);
  std::wstring decimalSeparator = Widen(format.decimalSeparator);
  std::wstring thousandsSeparator = Widen(format.thousandsSeparator);
  NUMBERFMTW numberFormat = {};
  numberFormat.NumDigits = static_cast<UINT>(format.decimals);
  numberFormat.LeadingZero = static_cast<UINT>(format.leadingZero);
  numberFormat.Grouping = static_cast<UINT>(format.grouping);
  numberFormat.lpDecimalSep = decimalSeparator.data();
  numberFormat.lpThousandSep = thousandsSeparator.data();
  numberFormat.NegativeOrder = static_cast<UINT>(format.negativeOrder);
  int size = GetNumberFormatW(LOCALE_USER_DEFAULT, 0, value.c_str(), &numberFormat, nullptr, 0);
  if (size <= 0) return std::nullopt;
  std::wstring text(static_cast<std::size_t>(size), L'\0');
  size = GetNumberFormatW(LOCALE_USER_DEFAULT, 0, value.c_str(), &numberFormat, text.data(), size);
  if (size <= 0) return std::nullopt;
  text.resize(static_cast<std::size_t>(size - 1));
  return Narrow(text);
}

}  // namespace platform
