#include "ui/split_page_rules.h"

#include "base/exceptions.h"
#include "base/path_text.h"
#include "base/text_format.h"
#include "engine/package_names.h"
#include "engine/split/split_plan.h"
#include "engine/split/split_recovery.h"
#include "platform/files.h"
#include "res/resource.h"
#include "ui/split_checks.h"

namespace {

// The count or the size, whichever the mode takes as input, into the options.
void ReadSizeOrCount(const SplitPageFields& fields, SplitOptions& options) {
  if (fields.bySize) {
    options.maxSplitFileSize = CheckedSplitFileSize(fields.sizeText);
  } else {
    options.fileCount = static_cast<std::uint32_t>(CheckedSplitFileCount(fields.countText));
  }
}

void CheckFolderExists(const std::string& folder) {
  if (!platform::FolderExists(folder)) ThrowAppException(IDS_FOLDER_NOT_FOUND, {folder});
}

void ReadRecovery(const SplitPageFields& fields, SplitOptions& options) {
  options.recovery = {};
  if (fields.recovery) {
    options.recovery = {
        static_cast<std::uint32_t>(CheckedRecoveryPercent(fields.recoveryPercentText)), true};
  }
}

// Planned as the console's plan plans them: for the master as planned (a self-extracting one's
// program is not looked at before the split) and the package's names under this prefix.
std::string RecoveryPlanText(const MasterHeader& header, const std::string& namePrefix,
                             RecoveryAmount amount) {
  const RecoveryLayout layout = PlanPackageRecovery(header, kMasterHeaderSize, amount);
  if (layout.volumeCount == 0) return {};
  return FormatInteger(layout.volumeCount) +
         (layout.volumeCount == 1 ? " volume of " : " volumes of ") +
         FormatByteSizeLong(PlannedVolumeSize(header, FileNamePart(namePrefix), layout));
}

}  // namespace

void ClearSplitInfo(SplitPageFields& fields) {
  fields.byteSizeText.clear();
  fields.recoveryText.clear();
  if (fields.bySize) fields.countText.clear();
}

std::optional<MasterHeader> LoadSplitInfo(SplitPageFields& fields, SplitOptions& options,
                                          const SplitPageDefaults& defaults) {
  if (fields.sourcePath.empty()) return std::nullopt;
  if (fields.useSourceFolder) fields.destinationFolder.clear();
  if (fields.useSourceFileName) fields.namePrefix.clear();
  options.bySize = fields.bySize;
  ReadSizeOrCount(fields, options);
  MasterHeader header;
  PlanSplit(fields.sourcePath, defaults.namePrefix, options, header, nullptr);
  fields.byteSizeText = FormatByteSizeLong(header.originalSize);
  fields.sourcePath = header.sourcePath;
  fields.comments = header.comments;
  if (fields.bySize) {
    fields.countText = FormatInteger(header.fileCount);
  } else {
    fields.sizeText = FormatByteSizeLong(options.maxSplitFileSize);
  }
  const bool useFolderDefault = !fields.useSourceFolder && !defaults.folder.empty();
  fields.destinationFolder = useFolderDefault ? defaults.folder : FolderPart(fields.sourcePath);
  CheckFolderExists(fields.destinationFolder);
  const bool useNameDefault = !fields.useSourceFileName && !defaults.namePrefix.empty();
  fields.namePrefix = useNameDefault ? defaults.namePrefix : FileNamePart(fields.sourcePath);
  ReadRecovery(fields, options);
  fields.recoveryText = RecoveryPlanText(header, fields.namePrefix, options.recovery);
  return header;
}

std::string PrepareSplitRun(SplitPageFields& fields, SplitOptions& options) {
  if (!fields.destinationFolder.empty()) CheckFolderExists(fields.destinationFolder);
  options.bySize = fields.bySize;
  ReadSizeOrCount(fields, options);
  if (fields.bySize) {
    fields.sizeText = FormatByteSizeLong(options.maxSplitFileSize);
  } else {
    fields.countText = FormatInteger(options.fileCount);
  }
  ReadRecovery(fields, options);
  if (fields.recovery) fields.recoveryPercentText = FormatInteger(options.recovery.value);
  return SplitDestinationPrefix(fields.destinationFolder, fields.namePrefix);
}

std::string SplitDestinationPrefix(const std::string& destinationFolder,
                                   const std::string& namePrefix) {
  const std::string folder =
      platform::FolderQueryPath(destinationFolder).value_or(destinationFolder);
  return FolderPart(folder) + FileNamePart(namePrefix);
}
