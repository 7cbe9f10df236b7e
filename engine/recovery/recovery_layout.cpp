#include "engine/recovery/recovery_layout.h"

#include <algorithm>
#include <numeric>

#include "engine/recovery/par2_format.h"

namespace {

// A piece of up to 32 MiB is one slice; larger ones are cut into at most four, so that a piece
// with one bad byte costs a quarter of a piece from the volumes, not the whole piece. More
// slices per piece would cost more than they save: forming the volumes takes time in proportion
// to the slices they hold, and rebuilding a lost piece to the slices it is cut into.
constexpr std::uint64_t kSliceSizeAim = 32ull << 20;
constexpr std::uint64_t kMostSlicesPerFile = 4;

std::uint64_t CeilDivide(std::uint64_t a, std::uint64_t b) { return (a + b - 1) / b; }

std::uint64_t RoundUpTo4(std::uint64_t n) { return std::max<std::uint64_t>(4, (n + 3) / 4 * 4); }

// The slice size that cuts a file of `largest` bytes into `count` slices.
std::uint64_t SliceSizeFor(std::uint64_t largest, std::uint64_t count) {
  return RoundUpTo4(CeilDivide(largest, count));
}

std::uint64_t TotalSlices(std::span<const std::uint64_t> fileSizes, std::uint64_t sliceSize) {
  return std::accumulate(fileSizes.begin(), fileSizes.end(), std::uint64_t{0},
                         [sliceSize](std::uint64_t sum, std::uint64_t size) {
                           return sum + Par2SliceCount(size, sliceSize);
                         });
}

// Fewer slices per piece until the set has few enough: at one slice per piece every file is one
// slice, and a package has fewer files than a set may have slices.
std::uint64_t SliceSizeWithinCount(std::span<const std::uint64_t> fileSizes, std::uint64_t largest,
                                   std::uint64_t slicesPerLargest) {
  std::uint64_t sliceSize = SliceSizeFor(largest, slicesPerLargest);
  while (TotalSlices(fileSizes, sliceSize) > kPar2MaxSlices && slicesPerLargest > 1) {
    sliceSize = SliceSizeFor(largest, --slicesPerLargest);
  }
  return sliceSize;
}

std::string ZeroPadded(std::uint64_t number, std::size_t width) {
  std::string text = std::to_string(number);
  return std::string(width - std::min(width, text.size()), '0') + text;
}

std::uint64_t PaddedTo4(std::uint64_t size) { return (size + 3) / 4 * 4; }

// The packets that every file of the set holds once: Main, a File Description and a slice
// checksum packet per file, Creator.
std::uint64_t CriticalPacketsSize(const RecoveryLayout& layout,
                                  std::span<const std::string> storedNames) {
  const std::uint64_t files = storedNames.size();
  const std::uint64_t main = kPar2HeaderSize + 12 + 16 * files;
  std::uint64_t descriptions = 0;
  for (const std::string& name : storedNames) {
    descriptions += kPar2HeaderSize + 56 + PaddedTo4(name.size());
  }
  const std::uint64_t checksums =
      files * (kPar2HeaderSize + 16) + std::uint64_t{20} * layout.inputSlices;
  const std::uint64_t creator = kPar2HeaderSize + PaddedTo4(kRecoveryCreator.size());
  return main + descriptions + checksums + creator;
}

}  // namespace

std::uint32_t RecoveryVolumeCount(RecoveryAmount amount, std::uint32_t fileCount) {
  if (amount.value == 0) return 0;
  const std::uint64_t wanted =
      amount.percent
          ? std::max<std::uint64_t>(1, CeilDivide(std::uint64_t{fileCount} * amount.value, 100))
          : amount.value;
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(wanted, fileCount));
}

RecoveryLayout PlanRecoveryLayout(std::span<const std::uint64_t> fileSizes,
                                  std::uint32_t volumeCount) {
  const std::uint64_t largest =
      fileSizes.empty() ? 0 : *std::max_element(fileSizes.begin(), fileSizes.end());
  const std::uint64_t slicesPerLargest =
      std::max(std::clamp<std::uint64_t>(CeilDivide(largest, kSliceSizeAim), 1, kMostSlicesPerFile),
               CeilDivide(largest, kPar2MaxSliceSize));
  RecoveryLayout layout;
  layout.sliceSize =
      std::min(SliceSizeWithinCount(fileSizes, largest, slicesPerLargest), kPar2MaxSliceSize);
  layout.inputSlices = static_cast<std::uint32_t>(TotalSlices(fileSizes, layout.sliceSize));
  layout.slicesPerVolume = static_cast<std::uint32_t>(
      std::max<std::uint64_t>(1, Par2SliceCount(largest, layout.sliceSize)));
  layout.volumeCount = volumeCount;
  return layout;
}

std::string RecoveryIndexPath(const std::string& pathPrefix) { return pathPrefix + ".par2"; }

std::vector<std::string> RecoveryVolumePaths(const std::string& pathPrefix,
                                             const RecoveryLayout& layout) {
  // As PAR2 tools name them: the first exponents as wide as the count of all recovery slices,
  // the counts as wide as the largest.
  const std::uint64_t count = layout.slicesPerVolume;
  const std::size_t exponentWidth = std::to_string(count * layout.volumeCount).size();
  const std::size_t countWidth = std::to_string(count).size();
  std::vector<std::string> paths;
  for (std::uint64_t volume = 0; volume < layout.volumeCount; ++volume) {
    paths.push_back(pathPrefix + ".vol" + ZeroPadded(volume * count, exponentWidth) + "+" +
                    ZeroPadded(count, countWidth) + ".par2");
  }
  return paths;
}

std::uint64_t RecoveryIndexSize(const RecoveryLayout& layout,
                                std::span<const std::string> storedNames) {
  return CriticalPacketsSize(layout, storedNames);
}

std::uint64_t RecoveryVolumeSize(const RecoveryLayout& layout,
                                 std::span<const std::string> storedNames) {
  return layout.slicesPerVolume * (kPar2RecoveryPrefixSize + layout.sliceSize) +
         CriticalPacketsSize(layout, storedNames);
}
