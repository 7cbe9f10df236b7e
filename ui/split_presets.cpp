#include "ui/split_presets.h"

#include "base/message_format.h"
#include "base/text_format.h"
#include "engine/package_format.h"
#include "platform/files.h"
#include "res/resource.h"
#include "settings/ini_file.h"

namespace {

constexpr std::uint64_t kKiB = 1024;
constexpr std::uint64_t kMiB = 1024 * kKiB;
constexpr std::uint64_t kGiB = 1024 * kMiB;

// 512 KiB to 500 MiB, the two CD sizes, 1 to 3 GiB, the two DVD sizes, 10 to 100 GiB.
constexpr std::uint64_t kBuiltInSizes[] = {
    512 * kKiB, 1 * kMiB,  2 * kMiB,  3 * kMiB,   4 * kMiB,   5 * kMiB,   10 * kMiB,
    25 * kMiB,  50 * kMiB, 75 * kMiB, 100 * kMiB, 200 * kMiB, 300 * kMiB, 400 * kMiB,
    500 * kMiB, 681984000, 737280000, 1 * kGiB,   2 * kGiB,   3 * kGiB,   4700372992,
    8543666176, 10 * kGiB, 25 * kGiB, 50 * kGiB,  75 * kGiB,  100 * kGiB};

std::string LabelledSizeText(std::uint64_t bytes, const std::string& label) {
  if (label.empty()) return FormatByteSizeLong(bytes);
  return LoadMessage(IDS_NUMBER_WITH_SIZE, {FormatInteger(bytes), label}).value_or(label);
}

}  // namespace

std::vector<SizePreset> BuiltInSizePresets() {
  std::vector<SizePreset> presets;
  for (std::uint64_t bytes : kBuiltInSizes)
    presets.push_back({bytes, FormatByteSizeLong(bytes, true)});
  return presets;
}

std::vector<SizePreset> SplitSizePresets(const std::string& configFilePath) {
  std::vector<std::string> sizes;
  std::vector<std::string> labels;
  if (configFilePath.empty() ||
      platform::QueryPathKind(configFilePath) != platform::PathKind::File ||
      !IniFile(configFilePath).ReadSection("SplitFileSizes", sizes, labels)) {
    return BuiltInSizePresets();
  }
  std::vector<SizePreset> presets;
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    std::int64_t bytes = 0;
    if (!ParseInteger(sizes[i], bytes) || bytes < static_cast<std::int64_t>(kMinSplitFileSize) ||
        bytes > static_cast<std::int64_t>(kMaxSplitFileSize)) {
      continue;
    }
    auto size = static_cast<std::uint64_t>(bytes);
    presets.push_back({size, LabelledSizeText(size, labels[i])});
  }
  return presets;
}

int FindSizePreset(const std::vector<SizePreset>& presets, std::uint64_t bytes) {
  for (std::size_t i = presets.size(); i-- > 0;) {
    if (presets[i].bytes == bytes) return static_cast<int>(i);
  }
  return -1;
}

std::string ReformattedSizeBox(std::string_view text, std::uint64_t storedSize) {
  std::uint64_t bytes = storedSize;
  const std::size_t blank = text.find(' ');
  if (blank != std::string_view::npos) {
    std::int64_t value = 0;
    if (ParseInteger(text.substr(0, blank), value) && value >= 0) {
      bytes = static_cast<std::uint64_t>(value);
    }
  } else if (!ParseByteSize(text, bytes)) {
    bytes = storedSize;
  }
  return FormatByteSizeLong(bytes, true);
}
