#pragma once
// What the Merge page derives from its fields, without a window: shared by the window's page
// and the console.

#include <optional>
#include <string>

#include "engine/package_format.h"
#include "platform/files.h"

// The page's fields, as text and flags.
struct MergePageFields {
  std::string sourcePath;         // the master split file
  std::string destinationFolder;  // the merged file's folder
  std::string fileName;           // the merged file's name
  bool useSourceFolder = true;    // the destination is the master's folder
  bool useOriginalName = true;    // the name is the original file's name
  // What the page shows about the package.
  std::string fileCountText;
  std::string maxFileSizeText;
  std::string timeSplitText;
  std::string byteSizeText;
  std::string comments;
};

// The stored "Merge" preferences, used when the page's options are clear.
struct MergePageDefaults {
  std::string destinationFolder;
  std::string fileName;
};

// Clears what LoadMergeInfo shows about the package.
void ClearMergeInfo(MergePageFields& fields);

// Re-derives what the page shows from the master named by the source path: the number of
// files, the largest split file's size, the time of the split in local time, the original
// size, the comments, and the proposed name and destination folder (raising 1119 when that
// folder does not exist). Nothing happens without a source path. Raises the first error; the
// fields keep what was filled before it. Returns the master header when it was read.
std::optional<MasterHeader> LoadMergeInfo(MergePageFields& fields,
                                          const MergePageDefaults& defaults);

// The largest split file: the most data a piece may hold and its header.
std::uint64_t LargestSplitFileSize(const MasterHeader& header);

// A UTC split time as the viewer's local date and time: the current difference between local
// time and UTC (in days) is added with the date type's arithmetic; "Invalid DateTime" when the
// result is no date.
std::string LocalSplitTimeText(double splitTimeUtc, double localMinusUtcDays);
// Now: local time minus UTC, in days, to the second.
double CurrentLocalTimeOffsetDays();
// The date type's addition: before 1899-12-30 the fraction still counts forward from
// midnight, so the sum is taken on the real time line.
double AddDaysToOleDate(double date, double days);

// The checks and the target path of the Merge command: a destination folder that is given must
// exist (1119); the target is MergeTargetPath of the fields, whose name must be one the system
// can create as a file (1116).
std::string PrepareMergeRun(const MergePageFields& fields);

// Where the Merge command writes: the destination folder (a separator added when it has none)
// joined with the name's file-name part, so a folder typed into the name is ignored.
std::string MergeTargetPath(const std::string& destinationFolder, const std::string& fileName,
                            platform::PathStyle style = platform::kNativePathStyle);

// The folder a master's package is merged into by default: the master's own folder, or the
// current folder for a bare file name.
std::string MasterFolder(const std::string& sourcePath,
                         platform::PathStyle style = platform::kNativePathStyle);

// "Delete split files after merging" is offered unless the master is the running program.
bool CanDeletePackageOf(const std::string& sourcePath);
