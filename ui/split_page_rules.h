#pragma once
// What the Split page derives from its fields, without a window: shared by the window's page
// and the console.

#include <cstdint>
#include <optional>
#include <string>

#include "engine/package_format.h"
#include "engine/split/split_options.h"

// The page's fields, as text and flags.
struct SplitPageFields {
  std::string sourcePath;         // the file to split
  std::string destinationFolder;  // the split files' folder
  std::string namePrefix;         // the split files' name prefix
  bool useSourceFolder = true;    // the destination is the source's folder
  bool useSourceFileName = true;  // the prefix is the source's file name
  bool bySize = false;            // the size box is the input, the number box the output
  std::string sizeText;           // the maximum split file size box
  std::string countText;          // the number of split files box
  std::string byteSizeText;       // the size of the file to split
  std::string comments;
  bool recovery = false;            // "Add recovery files"
  std::string recoveryPercentText;  // their share of the split files, in percent
  std::string recoveryText;         // the planned volumes: "2 volumes of 1,234 (1.21 KB)"
};

// The stored "Folder" and "File name prefix" preferences, used when the page's options are
// clear.
struct SplitPageDefaults {
  std::string folder;
  std::string namePrefix;
};

// Clears what LoadSplitInfo shows (the list selection of count mode is the page's own).
void ClearSplitInfo(SplitPageFields& fields);

// Re-derives what the page shows from its inputs: the size or number read into the options
// (checked as ui/split_checks.h does),
// the plan, the source's byte size, the other one of size and number, the destination folder
// (raising 1119 when it does not exist), the name prefix, and last the recovery share read into
// the options with the recovery volumes it plans. Nothing happens without a source path. Raises the
// first check that fails; the fields keep what was filled before it. Returns the planned master
// header.
std::optional<MasterHeader> LoadSplitInfo(SplitPageFields& fields, SplitOptions& options,
                                          const SplitPageDefaults& defaults);

// The checks and the destination prefix of the split command: the destination folder must
// exist when given (1119); the size or number is read and checked as in LoadSplitInfo, stored
// in the options and written back formatted; so is the recovery share. Returns the destination
// folder's drive and folder joined with the name prefix's file name.
std::string PrepareSplitRun(SplitPageFields& fields, SplitOptions& options);

// The destination prefix of a split: the folder (a separator added when it has none) followed
// by the name part of the prefix.
std::string SplitDestinationPrefix(const std::string& destinationFolder,
                                   const std::string& namePrefix);
