#pragma once
// Checking the files a recovery set protects, slice by slice, and rebuilding those that are
// missing or damaged from the good slices and the recovery slices.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/recovery/par2_reader.h"
#include "engine/recovery/recovery_progress.h"

enum class Par2FileState { good, damaged, missing };

struct Par2FileCheck {
  Par2FileState state = Par2FileState::missing;
  // One per slice of the file: it matches its checksum. Empty when the state is good.
  std::vector<bool> goodSlices;
  std::string openError;  // when the file is there but could not be opened
};

struct Par2Check {
  std::vector<Par2FileCheck> files;  // in the set's file order
  std::uint32_t missingSlices = 0;   // input slices to rebuild
  std::uint32_t recoverySlices = 0;  // recovery slices at hand
  bool AllGood() const { return missingSlices == 0; }
  bool Repairable() const { return missingSlices <= recoverySlices; }
};

// Checks file i of the set at paths[i]: whole when its length and MD5 match, else slice by
// slice (a slice of a damaged or short file that matches its MD5 and CRC-32 is kept). A file
// with knownGood[i] set has been checked whole by the caller and is not read.
Par2Check CheckPar2Files(const Par2FoundSet& found, const std::vector<std::string>& paths,
                         const std::vector<bool>& knownGood, const RecoveryProgress& progress);

// Whether the recovery slices at hand can rebuild what the check found bad: some choice of them
// gives an invertible matrix.
bool CanRebuildPar2Files(const Par2FoundSet& found, const Par2Check& check);

// The recovery slices of one volume as our sets hold them: as many as the largest file has, so
// that one volume rebuilds any one file.
std::uint32_t Par2SlicesPerVolume(const Par2Set& set);
// The volumes still needed for `missingSlices` beyond the `recoverySlices` at hand; at least 1,
// as when the slices at hand are enough in number but give a singular choice.
std::uint32_t Par2VolumesNeeded(const Par2Set& set, std::uint64_t missingSlices,
                                std::uint64_t recoverySlices);

// Rebuilds every file that the check did not find good into outputs[i] (written whole, then its
// length and MD5 checked against the set), with at most `memoryBudget` bytes of recovery data in
// memory, in several passes when more are needed. Raises IDS_RECOVERY_NOT_ENOUGH when the
// recovery slices cannot rebuild them (a singular choice of slices is passed over first),
// IDS_RECOVERY_REBUILT_MISMATCH, and the file errors; the outputs are removed when it raises.
void RebuildPar2Files(const Par2FoundSet& found, const std::vector<std::string>& paths,
                      const Par2Check& check, const std::vector<std::string>& outputs,
                      const RecoveryProgress& progress,
                      std::size_t memoryBudget = kRecoveryMemoryBudget);
