#include "ui/split_page_rules.h"

#include "app/exceptions.h"
#include "app/path_text.h"
#include "app/text_format.h"
#include "engine/file64.h"
#include "engine/split/split_plan.h"
#include "platform/files.h"
#include "res/resource.h"

namespace {

// The count or the size, whichever the mode takes as input, into the options.
void ReadSizeOrCount(const SplitPageFields& fields, SplitOptions& options) {
  if (fields.bySize) {
    options.maxSplitFileSize = ReadSplitFileSize(fields.sizeText);
  } else {
    options.fileCount = ReadSplitFileCount(fields.countText);
  }
}

void CheckFolderExists(const std::string& folder) {
  if (!FolderExists(folder)) ThrowAppException(IDS_FOLDER_NOT_FOUND, {folder});
}

}  // namespace

bool ReadSizeBoxText(std::string_view text, std::uint64_t& bytes) {
  return ParseByteSize(text.substr(0, text.find(' ')), bytes);
}

std::uint64_t ReadSplitFileSize(std::string_view sizeText) {
  std::uint64_t bytes = 0;
  if (!ReadSizeBoxText(sizeText, bytes) || bytes < kMinSplitFileSize || bytes > kMaxSplitFileSize) {
    ThrowAppException(IDS_SPLIT_SIZE_RANGE,
                      {FormatInteger(kMinSplitFileSize), FormatInteger(kMaxSplitFileSize),
                       FormatByteSize(kMaxSplitFileSize)});
  }
  return bytes;
}

std::uint32_t ReadSplitFileCount(std::string_view countText) {
  std::int64_t count = 0;
  if (!ParseInteger(countText, count) || count < kMinFileCount || count > kMaxFileCount) {
    ThrowAppException(IDS_SPLIT_COUNT_RANGE,
                      {FormatInteger(kMinFileCount), FormatInteger(kMaxFileCount)});
  }
  return static_cast<std::uint32_t>(count);
}

void ClearSplitInfo(SplitPageFields& fields) {
  fields.byteSizeText.clear();
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
  return SplitDestinationPrefix(fields.destinationFolder, fields.namePrefix);
}

std::string SplitDestinationPrefix(const std::string& destinationFolder,
                                   const std::string& namePrefix) {
  const std::string folder =
      platform::FolderQueryPath(destinationFolder).value_or(destinationFolder);
  return FolderPart(folder) + FileNamePart(namePrefix);
}
