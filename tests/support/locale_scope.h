#pragma once
// Runs a test under a named locale and restores the previous one afterwards.

#include <string>

#include "platform/number_format.h"

namespace test {

// Sets the C library's locale while it lives; known() is false when the library lacks it.
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

// en_US, de_DE, and en_IN for groups of three, then of two (glibc's hi_IN groups by three).
enum class Locale { english, german, indian };

// Sets the C library's locale and the process-wide number format. Where the C library knows
// the locale (POSIX), the format is read from it and must match the one expected; elsewhere
// (Windows takes the format from the system, not from the C library) it is set directly.
class LocaleScope {
 public:
  explicit LocaleScope(Locale locale);
  ~LocaleScope();

 private:
  CLibraryLocale library_;
  platform::NumberFormat previous_;
};

}  // namespace test
