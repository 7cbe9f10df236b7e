#include "tests/support/locale_scope.h"

#include <gtest/gtest.h>

#include <clocale>

#include "base/text_format.h"

namespace test {

namespace {

const char* LocaleName(Locale locale) {
  constexpr const char* kNames[] = {"en_US.UTF-8", "de_DE.UTF-8", "en_IN.UTF-8"};
  return kNames[static_cast<int>(locale)];
}

platform::NumberFormat ExpectedFormat(Locale locale) {
  if (locale == Locale::german) return {.decimalSeparator = ",", .thousandsSeparator = "."};
  if (locale == Locale::indian) return {.grouping = 32};
  return {};
}

}  // namespace

CLibraryLocale::CLibraryLocale(const char* name)
    : previous_(std::setlocale(LC_ALL, nullptr)), known_(std::setlocale(LC_ALL, name) != nullptr) {}

CLibraryLocale::~CLibraryLocale() { std::setlocale(LC_ALL, previous_.c_str()); }

LocaleScope::LocaleScope(Locale locale)
    : library_(LocaleName(locale)), previous_(ProcessNumberFormat()) {
  if (library_.known()) {
    SetProcessNumberFormat(platform::NumberFormat{});
    ReloadProcessNumberFormat();
    EXPECT_EQ(ProcessNumberFormat(), ExpectedFormat(locale)) << LocaleName(locale);
  }
  SetProcessNumberFormat(ExpectedFormat(locale));
}

LocaleScope::~LocaleScope() { SetProcessNumberFormat(previous_); }

}  // namespace test
