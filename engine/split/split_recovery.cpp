#include "engine/split/split_recovery.h"

#include <algorithm>

#include "base/path_text.h"
#include "engine/package_names.h"

std::vector<std::uint64_t> PackageFileSizes(const MasterHeader& header, std::uint64_t masterSize) {
  std::vector<std::uint64_t> sizes{masterSize};
  std::uint64_t left = header.originalSize;
  for (std::uint32_t index = 1; index < header.fileCount; ++index) {
    const std::uint64_t data = std::min(header.maxPieceDataSize, left);
    sizes.push_back(kPieceHeaderSize + data);
    left -= data;
  }
  return sizes;
}

RecoveryLayout PlanPackageRecovery(const MasterHeader& header, std::uint64_t masterSize,
                                   RecoveryAmount amount) {
  const std::uint32_t volumes = RecoveryVolumeCount(amount, header.fileCount);
  if (volumes == 0) return {};
  return PlanRecoveryLayout(PackageFileSizes(header, masterSize), volumes);
}

std::uint64_t PlannedVolumeSize(MasterHeader header, const std::string& pathPrefix,
                                const RecoveryLayout& layout) {
  if (layout.volumeCount == 0) return 0;
  header.pathPrefix = pathPrefix;
  std::vector<std::string> names;
  BuildPackageFileNames(header, false, names);
  for (std::string& name : names) name = FileNamePart(name);
  return RecoveryVolumeSize(layout, names);
}
