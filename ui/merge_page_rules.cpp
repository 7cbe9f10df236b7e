#include "ui/merge_page_rules.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "base/exceptions.h"
#include "base/path_text.h"
#include "base/text_format.h"
#include "engine/merge/loaded_module.h"
#include "engine/ole_date.h"
#include "engine/package_names.h"
#include "engine/package_reading.h"
#include "platform/files.h"
#include "res/resource.h"

namespace {

constexpr double kSecondsPerDay = 86400.0;
constexpr double kUnixEpochOleDate = 25569.0;  // 1970-01-01 as an OLE date

// The OLE date on the real time line: before 1899-12-30 the fraction counts forward from
// midnight, so -1.25 (1899-12-29 06:00) lies at -0.75.
double TimeLineFromOleDate(double date) {
  if (date >= 0) return date;
  const double days = std::trunc(date);
  return days + std::fabs(date - days);
}

double OleDateFromTimeLine(double value) {
  if (value >= 0) return value;
  const double days = std::floor(value);
  return days - (value - days);
}

}  // namespace

std::uint64_t LargestSplitFileSize(const MasterHeader& header) {
  const std::uint64_t data = std::min(header.maxPieceDataSize,
                                      std::numeric_limits<std::uint64_t>::max() - kPieceHeaderSize);
  return data + kPieceHeaderSize;
}

void ClearMergeInfo(MergePageFields& fields) {
  fields.byteSizeText.clear();
  fields.fileCountText.clear();
  fields.timeSplitText.clear();
  fields.maxFileSizeText.clear();
  fields.comments.clear();
}

std::optional<MasterHeader> LoadMergeInfo(MergePageFields& fields,
                                          const MergePageDefaults& defaults) {
  if (fields.sourcePath.empty()) return std::nullopt;
  if (fields.useSourceFolder) fields.destinationFolder.clear();
  if (fields.useOriginalName) fields.fileName.clear();
  MasterHeader header;
  bool selfExtracting = false;
  LoadMasterFile(fields.sourcePath, header, selfExtracting);
  fields.fileCountText = std::to_string(header.fileCount);
  fields.maxFileSizeText = FormatByteSizeLong(LargestSplitFileSize(header));
  fields.timeSplitText = LocalSplitTimeText(header.splitTime, CurrentLocalTimeOffsetDays());
  fields.byteSizeText = FormatByteSizeLong(header.originalSize);
  fields.comments = header.comments;
  // Only the name part of what the package stores: it may come from any machine.
  fields.fileName = fields.useOriginalName || defaults.fileName.empty() ? OriginalFileName(header)
                                                                        : defaults.fileName;
  fields.destinationFolder = fields.useSourceFolder || defaults.destinationFolder.empty()
                                 ? MasterFolder(fields.sourcePath)
                                 : defaults.destinationFolder;
  if (!platform::FolderExists(fields.destinationFolder)) {
    ThrowAppException(IDS_FOLDER_NOT_FOUND, {fields.destinationFolder});
  }
  return header;
}

std::string LocalSplitTimeText(double splitTimeUtc, double localMinusUtcDays) {
  const double local = AddDaysToOleDate(splitTimeUtc, localMinusUtcDays);
  return FormatDateTime(local, std::isfinite(local) ? TimeStatus::valid : TimeStatus::invalid);
}

double CurrentLocalTimeOffsetDays() {
  const double utc = OleDateFromCalendarTime(platform::SystemTimeUtc());
  const auto seconds =
      static_cast<std::int64_t>(std::floor((utc - kUnixEpochOleDate) * kSecondsPerDay));
  platform::CalendarTime local;
  if (!platform::LocalCalendarTime(seconds, local)) return 0.0;
  const double wholeSecondUtc = kUnixEpochOleDate + static_cast<double>(seconds) / kSecondsPerDay;
  const double difference = OleDateFromCalendarTime(local) - wholeSecondUtc;
  return std::round(difference * kSecondsPerDay) / kSecondsPerDay;
}

double AddDaysToOleDate(double date, double days) {
  return OleDateFromTimeLine(TimeLineFromOleDate(date) + days);
}

std::string PrepareMergeRun(const MergePageFields& fields) {
  if (!fields.destinationFolder.empty() && !platform::FolderExists(fields.destinationFolder)) {
    ThrowAppException(IDS_FOLDER_NOT_FOUND, {fields.destinationFolder});
  }
  const std::string target = MergeTargetPath(fields.destinationFolder, fields.fileName);
  // Typed, or stored by a package made elsewhere: a device name or a stream takes the data.
  if (!IsValidFileName(FileNamePart(target))) ThrowAppException(IDS_INVALID_FILE_NAME, {target});
  return target;
}

std::string MergeTargetPath(const std::string& destinationFolder, const std::string& fileName,
                            platform::PathStyle style) {
  const std::string folder =
      platform::FolderQueryPath(destinationFolder, style).value_or(destinationFolder);
  return FolderPart(folder) + FileNamePart(fileName);
}

std::string MasterFolder(const std::string& sourcePath, platform::PathStyle style) {
  const std::string folder = FolderPart(sourcePath);
  if (!folder.empty()) return folder;
  return style == platform::PathStyle::windows ? ".\\" : "./";
}

bool CanDeletePackageOf(const std::string& sourcePath) { return !IsLoadedModule(sourcePath); }
