#pragma once
// Planning a split: the checks of the source, the destination and the sizes, the size of the
// pieces, the number of files and the master header.

#include <cstdint>
#include <string>

#include "engine/package_format.h"
#include "engine/split/split_options.h"
#include "engine/split/split_stub.h"

// The fewest files count mode makes: a master and one data split file.
inline constexpr std::uint32_t kMinFileCount = 2;
// A self-extracting master beyond its stub: the master header and the trailer.
inline constexpr std::uint64_t kSelfExtractingMasterOverhead = kMasterHeaderSize + kTrailerSize;

// Validates the inputs and the options and fills `header` (fresh, with the time of now). In
// count mode the computed split file size is stored in options.maxSplitFileSize. With a stub
// record (self-extracting only) the lite program (options.stubPath, else the one beside the
// running program) is located and checked as well. Raises, in
// order: 1114, 1115, 1120, the file error of the size query, 1129, 1127, 1128 or 1102 in count
// mode, 1102, 1113, the errors of LocateStub, 1124.
void PlanSplit(const std::string& sourcePath, const std::string& destinationPrefix,
               SplitOptions& options, MasterHeader& header, StubRecord* stub);

// Count mode's split file size: an equal share of the source for each data split file, plus
// its piece header. `fileCount` is at least 2.
std::uint64_t SplitFileSizeForCount(std::uint64_t sourceSize, std::uint32_t fileCount);

// The largest file count for which count mode still makes split files of the smallest size.
std::uint64_t MaxSplitFileCount(std::uint64_t sourceSize);

// Bytes a package of `fileCount` files takes: the master (with its stub) and equal shares.
std::uint64_t EstimatePackageSize(std::uint32_t fileCount, std::uint64_t sourceSize,
                                  std::uint32_t stubSize);
