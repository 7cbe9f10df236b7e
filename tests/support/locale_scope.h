#pragma once
// Runs a test under a named locale and restores the previous one afterwards.

#include <string>

#include "platform/number_format.h"

namespace test {

// Number formats of the locales the tests use.
platform::NumberFormat EnglishFormat();
platform::NumberFormat GermanFormat();
platform::NumberFormat IndianFormat();  // groups of three, then of two

// Sets the C library's locale for all categories while it lives; `known()` is false when the
// library does not know the name (the locale then stays as it was).
class CLibraryLocale {
 public:
  explicit CLibraryLocale(const char* name);
  ~CLibraryLocale();
  CLibraryLocale(const CLibraryLocale&) = delete;
  CLibraryLocale& operator=(const CLibraryLocale&) = delete;

  bool known() const { return known_; }

 private:
  std::string previous_;
  bool known_ = false;
};

// Sets the C library's locale and the process-wide number format. Where the C library
// knows the locale (POSIX), the format is read from it and must equal `equivalent`; where it
// does not (Windows, whose format comes from the system and not from the C library) the
// equivalent format is set directly.
class LocaleScope {
 public:
  LocaleScope(const char* name, const platform::NumberFormat& equivalent);
  ~LocaleScope();
  LocaleScope(const LocaleScope&) = delete;
  LocaleScope& operator=(const LocaleScope&) = delete;

  bool real() const { return locale_.known(); }

 private:
  CLibraryLocale locale_;
  platform::NumberFormat previousFormat_;
};

}  // namespace test
