#pragma once
// Sizes, counts and times in the user's regional format, and the parsers for typed sizes.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/number_format.h"

// The process-wide number format; filled from the user's locale at start and again when
// the system settings change.
const platform::NumberFormat& ProcessNumberFormat();
void ReloadProcessNumberFormat();
// Tests set a format directly.
void SetProcessNumberFormat(const platform::NumberFormat& format);

std::string FormatInteger(std::string_view digits);
std::string FormatInteger(std::uint64_t value);
std::string FormatDecimal(double value);

struct ScaledSize {
  double value;
  int unitIndex;  // 0 = B ... 5 = PB
};
ScaledSize ByteSizeUnit(std::int64_t bytes);

// "1.50 GB", or "1.5 GB" when trimmed.
std::string FormatByteSize(std::uint64_t bytes, bool trimmed = false);
// "1,610,612,736 (1.50 GB)"; below 1024 bytes the grouped count alone.
std::string FormatByteSizeLong(std::uint64_t bytes, bool trimmed = false);

bool ParseByteSize(std::string_view text, std::uint64_t& bytes);
bool ParseInteger(std::string_view text, std::int64_t& value);
bool ParseDecimal(std::string_view text, double& value);

enum class TimeStatus { valid, invalid, null };
// "HH:MM:SS" within the day; a null span gives an empty text.
std::string FormatTimeSpan(double days, TimeStatus status = TimeStatus::valid);
// The local date and time text ("%c"); "Invalid DateTime" when it cannot be broken down.
std::string FormatDateTime(double oleDate, TimeStatus status = TimeStatus::valid);
// The same date and time for scripts, ISO 8601 in UTC ("2026-12-08T07:20:39Z", to the second
// as the local text rounds it); empty when it cannot be broken down.
std::string FormatIsoDateTimeUtc(double oleDateUtc);
