#include "tests/support/locale_scope.h"

#include <gtest/gtest.h>

#include <clocale>

#include "app/text_format.h"

namespace test {

platform::NumberFormat EnglishFormat() { return {}; }

platform::NumberFormat GermanFormat() {
  platform::NumberFormat format;
  format.decimalSeparator = ",";
  format.thousandsSeparator = ".";
  return format;
}

platform::NumberFormat IndianFormat() {
  platform::NumberFormat format;
  format.grouping = 32;
  return format;
}

CLibraryLocale::CLibraryLocale(const char* name)
    : previous_(std::setlocale(LC_ALL, nullptr)), known_(std::setlocale(LC_ALL, name) != nullptr) {}

CLibraryLocale::~CLibraryLocale() { std::setlocale(LC_ALL, previous_.c_str()); }

LocaleScope::LocaleScope(const char* name, const platform::NumberFormat& equivalent)
    : locale_(name), previousFormat_(ProcessNumberFormat()) {
  if (locale_.known()) {
    SetProcessNumberFormat(platform::NumberFormat{});
    ReloadProcessNumberFormat();
    EXPECT_EQ(ProcessNumberFormat(), equivalent) << "number format read from " << name;
  }
  SetProcessNumberFormat(equivalent);
}

LocaleScope::~LocaleScope() { SetProcessNumberFormat(previousFormat_); }

}  // namespace test
