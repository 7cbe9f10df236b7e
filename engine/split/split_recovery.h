#pragma once
// The recovery files a split adds to its package: how many and how large, planned from the
// master header before anything is written.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/package_format.h"
#include "engine/recovery/recovery_layout.h"

// The sizes of the package's files, the master (of `masterSize` bytes) first.
std::vector<std::uint64_t> PackageFileSizes(const MasterHeader& header, std::uint64_t masterSize);

// The bytes of each volume of the layout for the package's files under this prefix.
std::uint64_t PlannedVolumeSize(MasterHeader header, const std::string& pathPrefix,
                                const RecoveryLayout& layout);

// The layout of the amount asked for; no volumes when the amount is 0.
RecoveryLayout PlanPackageRecovery(const MasterHeader& header, std::uint64_t masterSize,
                                   RecoveryAmount amount);
