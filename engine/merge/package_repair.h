#pragma once
// The repair: the package files that are missing or damaged rebuilt from the recovery files,
// beside the package or in a folder of the user's, each put in place only once checked.

#include <string>
#include <vector>

#include "engine/operation_host.h"

struct RepairOutcome {
  std::vector<std::string> rebuilt;  // the paths written
};

// `path` names the master (or any file of the set, or one of its PAR2 files); the set is the
// one beside it or in the search folders that protects it. Every bad file is rebuilt under a
// temporary name in `destinationFolder` (empty: the set's folder), and only when all are whole
// do they take their names. Raises IDS_RECOVERY_NONE without a set, IDS_RECOVERY_NOT_ENOUGH
// when it cannot rebuild them (nothing is changed then), and the file errors.
RepairOutcome RepairPackage(OperationHost& host, const std::string& path,
                            const std::string& destinationFolder,
                            const std::vector<std::string>& searchFolders);
