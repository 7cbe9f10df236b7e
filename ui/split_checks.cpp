#include "ui/split_checks.h"

#include <algorithm>

#include "app/exceptions.h"
#include "app/text_format.h"
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

int CheckedSplitFileCount(std::string_view text) {
  std::int64_t count = 0;
  if (!ParseInteger(text, count) || count < kMinSplitFileCount || count > kMaxSplitFileCount) {
    ThrowAppException(IDS_SPLIT_COUNT_RANGE, {FormatInteger(std::uint64_t{kMinSplitFileCount}),
                                              FormatInteger(std::uint64_t{kMaxSplitFileCount})});
  }
  return static_cast<int>(count);
}

std::optional<std::uint64_t> SplitFileSizeForFreeSpace(std::optional<std::uint64_t> freeBytes) {
  if (!freeBytes || *freeBytes < kMinSplitFileSize) return std::nullopt;
  return std::min(*freeBytes, kMaxSplitFileSize);
}
