#pragma once
// How a package's recovery files are laid out: the slice size, the recovery slices of each
// volume and the names of the files.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The amount the user asks for: a share of the package's files, or a number of volumes.
struct RecoveryAmount {
  std::uint32_t value = 0;  // 0: no recovery files
  bool percent = false;
};

// The Creator packet's text in every recovery file written.
inline constexpr std::string_view kRecoveryCreator = "Created by Partwell";

struct RecoveryLayout {
  std::uint64_t sliceSize = 0;        // a multiple of 4
  std::uint32_t inputSlices = 0;      // of all the protected files together
  std::uint32_t slicesPerVolume = 0;  // the most slices of any one file, so one volume can
                                      // rebuild any one lost file
  std::uint32_t volumeCount = 0;
};

// Volumes for `fileCount` package files: a percentage of them rounded up to whole volumes, or
// the number given; never more than the files.
std::uint32_t RecoveryVolumeCount(RecoveryAmount amount, std::uint32_t fileCount);

// For files of these sizes (the package's, master first): a slice size that makes each piece a
// whole number of a few slices, within PAR2's limits of 32,768 input slices and 1 GiB slices.
RecoveryLayout PlanRecoveryLayout(std::span<const std::uint64_t> fileSizes,
                                  std::uint32_t volumeCount);

// PREFIX.par2: the index, with no recovery data.
std::string RecoveryIndexPath(const std::string& pathPrefix);
// PREFIX.volNNN+MMM.par2 for each volume: its first exponent and its count of slices.
std::vector<std::string> RecoveryVolumePaths(const std::string& pathPrefix,
                                             const RecoveryLayout& layout);
// Bytes of the index for protected files with these stored names.
std::uint64_t RecoveryIndexSize(const RecoveryLayout& layout,
                                std::span<const std::string> storedNames);
// Bytes of one volume file for protected files with these stored names (the plan shows it).
std::uint64_t RecoveryVolumeSize(const RecoveryLayout& layout,
                                 std::span<const std::string> storedNames);
