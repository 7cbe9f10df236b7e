#pragma once
// The split preferences that one split reads, filled by the caller from the stored settings.

#include <cstdint>
#include <string>

#include "engine/recovery/recovery_layout.h"

// Defaults are those of the stored settings on first run.
struct SplitOptions {
  // "Max. file size": bytes of a data split file, its piece header included. Count mode
  // overwrites it with the size it computes.
  std::uint64_t maxSplitFileSize = 1073741824;
  // "Files": the number of files count mode asks for, the master included.
  std::uint32_t fileCount = 3;
  bool bySize = false;             // "By size": false is count mode
  bool selfExtracting = false;     // "Self extracting"
  bool promptOnOverwrites = true;  // "Prompt on overwrites"
  bool writeManifest = false;      // PREFIX.sha256 beside the master, with every file's digest
  std::string comments;            // stored in the master
  // PAR2 recovery files beside the master: none, a share of the package files or a number.
  RecoveryAmount recovery;
  // The lite program a self-extracting master begins with: that of another system, for a
  // package made here for there; empty for the one beside the running program.
  std::string stubPath;
};
