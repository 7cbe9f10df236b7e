#include "ui/split_checks.h"

#include <algorithm>

#include "base/exceptions.h"
#include "base/text_format.h"
#include "engine/package_format.h"
#include "res/resource.h"

static_assert(kMaxSplitFileCount == static_cast<int>(kMaxFileCount));

std::uint64_t CheckedSplitFileSize(std::string_view text) {
  std::uint64_t bytes = 0;
  if (!ParseByteSize(text.substr(0, text.find(' ')), bytes) || bytes < kMinSplitFileSize ||
      bytes > kMaxSplitFileSize) {
    ThrowAppException(IDS_SPLIT_SIZE_RANGE,
                      {FormatInteger(kMinSplitFileSize), FormatInteger(kMaxSplitFileSize),
                       FormatByteSize(kMaxSplitFileSize)});
  }
  return bytes;
}

namespace {

// A whole number, digit grouping allowed, from `low` to `high`; else message `id` with both.
int CheckedInRange(std::string_view text, int low, int high, unsigned id) {
  std::int64_t value = 0;
  if (!ParseInteger(text, value) || value < low || value > high) {
    ThrowAppException(id, {FormatInteger(static_cast<std::uint64_t>(low)),
                           FormatInteger(static_cast<std::uint64_t>(high))});
  }
  return static_cast<int>(value);
}

}  // namespace

int CheckedSplitFileCount(std::string_view text) {
  return CheckedInRange(text, kMinSplitFileCount, kMaxSplitFileCount, IDS_SPLIT_COUNT_RANGE);
}

int CheckedRecoveryPercent(std::string_view text) {
  return CheckedInRange(text, kMinRecoveryPercent, kMaxRecoveryPercent, IDS_RECOVERY_PERCENT_RANGE);
}

std::optional<std::uint64_t> SplitFileSizeForFreeSpace(std::optional<std::uint64_t> freeBytes) {
  if (!freeBytes || *freeBytes < kMinSplitFileSize) return std::nullopt;
  return std::min(*freeBytes, kMaxSplitFileSize);
}
