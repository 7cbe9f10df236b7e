#pragma once
// The preset sizes of the Split page's maximum-size box: the configuration file's
// "SplitFileSizes" entries when it has them, else the built-in sizes.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct SizePreset {
  std::uint64_t bytes = 0;
  std::string text;  // as the list shows it
};

// The 27 built-in sizes from 512 KiB to 100 GiB, in the long form with trimmed decimals.
std::vector<SizePreset> BuiltInSizePresets();

// When the file exists and its "SplitFileSizes" section can be read, its entries in file
// order, without those whose size is not a whole number within the split size range (even if
// that leaves none); otherwise the built-in sizes. An entry shows as "size (label)", or in the
// long form when it has no label.
std::vector<SizePreset> SplitSizePresets(const std::string& configFilePath);

// The index of the last preset of that size; -1 when there is none.
int FindSizePreset(const std::vector<SizePreset>& presets, std::uint64_t bytes);

// After a change of the number format: the size box's text in the new long form with trimmed
// decimals. A text with a blank is read as a number up to it, one without as a byte size;
// when nothing reads, `storedSize` is shown.
std::string ReformattedSizeBox(std::string_view text, std::uint64_t storedSize);
