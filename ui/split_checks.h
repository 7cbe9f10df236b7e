#pragma once
// The Split page's checks of the maximum split file size and the number of split files, as
// it makes them when it reads its boxes. A refusal is thrown with its finished message.

#include <cstdint>
#include <optional>
#include <string_view>

// The spin control's range of the number of split files.
inline constexpr int kMinSplitFileCount = 2;
inline constexpr int kMaxSplitFileCount = 32766;

// The size box's text, cut at its first blank (so that a part in parentheses falls away) and
// read as a byte size: "700MB" is 700 MiB, "700 MB" is 700 bytes. Throws 1102 when it is no
// size or lies outside 4,368 to 107,374,182,400 bytes.
std::uint64_t CheckedSplitFileSize(std::string_view text);

// A whole number, digit grouping allowed; throws 1128 outside 2 to 32,766.
int CheckedSplitFileCount(std::string_view text);

// The recovery files' share of the split files, in percent: a whole number from 1 to 100;
// throws 1180 outside it.
inline constexpr int kMinRecoveryPercent = 1;
inline constexpr int kMaxRecoveryPercent = 100;
int CheckedRecoveryPercent(std::string_view text);

// The size "S&et to Destination Free Space" puts into the size box: the raw free space,
// at most 100 GiB; nothing when it is unknown or below the smallest split file size (the
// caller then reports the disk as full).
std::optional<std::uint64_t> SplitFileSizeForFreeSpace(std::optional<std::uint64_t> freeBytes);
