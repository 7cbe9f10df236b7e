#pragma once
// Writing a package's recovery files: the index and its volumes, a standard PAR2 2.0 set that
// protects the package files themselves.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/recovery/par2_format.h"
#include "engine/recovery/recovery_input.h"
#include "engine/recovery/recovery_layout.h"
#include "engine/recovery/recovery_progress.h"

// Reads the files (the package's, master first; each stored under its file name) and writes
// RecoveryIndexPath(pathPrefix) and RecoveryVolumePaths(pathPrefix, layout), with at most
// `memoryBudget` bytes of recovery data in memory. Files of 0 bytes are left out of the set.
// Raises the file errors; what it wrote is removed then. Returns the paths written, the index
// first.
std::vector<std::string> WriteRecoveryFiles(const std::vector<std::string>& files,
                                            const std::string& pathPrefix,
                                            const RecoveryLayout& layout,
                                            const RecoveryProgress& progress,
                                            std::size_t memoryBudget = kRecoveryMemoryBudget);

// The digests of the files, by their index among the files given, taken elsewhere while they
// were written; nothing for a file whose digest is still to be taken. Called on the operation's
// thread once the recovery slices are formed.
using TakeRecoveryDigests = std::function<std::vector<std::optional<Par2File>>()>;

// Waits up to the time given until no digest is still being taken elsewhere (none is once the
// taking has failed): true then. Called from any thread.
using AwaitRecoveryDigests = std::function<bool(std::chrono::milliseconds)>;

// The digests taken elsewhere, and how to wait for them: without it, nothing is waited for
// before they are taken.
struct RecoveryDigestsElsewhere {
  RecoveryDigestsElsewhere(TakeRecoveryDigests take, AwaitRecoveryDigests await = {})
      : take(std::move(take)), await(std::move(await)) {}
  TakeRecoveryDigests take;
  AwaitRecoveryDigests await;
};

// The same, with the digests taken elsewhere: both threads then form the recovery slices, the
// second once the digests are in.
std::vector<std::string> WriteRecoveryFiles(const std::vector<std::string>& files,
                                            const std::string& pathPrefix,
                                            const RecoveryLayout& layout,
                                            const RecoveryProgress& progress,
                                            const RecoveryDigestsElsewhere& digestsTaken,
                                            std::size_t memoryBudget = kRecoveryMemoryBudget);

// Which of a layout's files a write makes: the volumes [firstVolume, volumeEnd), and the index.
struct RecoveryFileChoice {
  std::uint32_t firstVolume = 0;
  std::uint32_t volumeEnd = UINT32_MAX;  // to the last volume
  bool index = true;
};

// The same for the files chosen, read from the inputs given (in the order of the package's
// files, as the digests are): a package spread over disks is read from what it was made of.
std::vector<std::string> WriteRecoveryFiles(
    std::vector<RecoveryInput> inputs, const std::string& pathPrefix, const RecoveryLayout& layout,
    const RecoveryProgress& progress, const RecoveryDigestsElsewhere& digestsTaken,
    RecoveryFileChoice choice, std::size_t memoryBudget = kRecoveryMemoryBudget);
