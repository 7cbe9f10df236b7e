#pragma once
// A package's recovery files: the PAR2 set beside the master or in the search folders that
// protects the package's files, what it can rebuild of them, and the rebuilding itself.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/merge/package_report.h"
#include "engine/operation_host.h"
#include "engine/recovery/par2_repair.h"

// The set found, and the folder its files are looked for in (that of its first PAR2 file).
struct PackageRecoverySet {
  Par2FoundSet found;
  std::string folder;
  std::vector<std::string> par2Files;  // the files its packets came from
};

// Of the PAR2 files in these folders, the set that protects a file of one of these names (the
// package's), the one with the most recovery slices; nothing when none does.
std::optional<PackageRecoverySet> FindRecoverySet(const std::vector<std::string>& folders,
                                                  const std::vector<std::string>& memberNames);

// A file of the set known already: where it is and whether the caller has found it whole.
struct KnownRecoveryFile {
  std::string storedName;
  std::string path;
  bool good = false;
};

struct RecoveryOutlook {
  Par2Check check;
  std::vector<std::string> paths;     // where each file of the set was read
  std::vector<std::string> badNames;  // the stored names of the files that are not good
  bool solvable = false;              // the slices at hand rebuild them
  std::uint32_t slicesPerVolume = 1;  // the most slices of one file: a volume's worth
  // Whole volumes beyond those needed when solvable; more volumes needed otherwise.
  std::uint32_t spareVolumes = 0;
  std::uint32_t volumesNeeded = 0;
  // Why files that are there could not be read, each naming its file: package files, and
  // recovery files whose slices are therefore not counted.
  std::vector<std::string> readErrors;
};

// Checks the set's files (those not known good are read), and whether the recovery slices
// can rebuild the bad ones.
RecoveryOutlook AssessRecovery(const PackageRecoverySet& set,
                               const std::vector<KnownRecoveryFile>& known,
                               const RecoveryProgress& progress);

struct PackageRecovery {
  PackageRecoverySet set;
  RecoveryOutlook outlook;
};

// The recovery set of a package: beside the master or in the search folders, protecting one of
// the package's files (the master and the pieces, by their names beside the master).
std::optional<PackageRecoverySet> FindPackageRecoverySet(
    const std::string& masterPath, const std::vector<std::string>& pieceNames,
    const std::vector<std::string>& searchFolders);

// What the set can rebuild of a package as the report found it. The master is read whole, as
// only its header was checked; the pieces count as the report judged them.
PackageRecovery AssessPackageRecovery(PackageRecoverySet set, const PackageReport& report,
                                      const std::string& masterPath,
                                      const RecoveryProgress& progress);

// Why the outlook's recovery files cannot rebuild the package, with the volumes it still needs.
std::string CannotRebuildText(const RecoveryOutlook& outlook);

// Rebuilds every bad file of the outlook into outputs[i] (empty for the good ones). Raises as
// RebuildPar2Files does.
void RebuildFromRecovery(const PackageRecoverySet& set, const RecoveryOutlook& outlook,
                         const std::vector<std::string>& outputs, const RecoveryProgress& progress);

// The work's progress on the host's bar; a cancel there raises the user's abort.
RecoveryProgress ShownRecoveryProgress(OperationHost& host);

// "film_00003.fss, film_00004.fss": the names, for messages.
std::string JoinedNames(const std::vector<std::string>& names);
