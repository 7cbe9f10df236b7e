#include "engine/merge/package_repair.h"

#include <algorithm>
#include <optional>

#include "base/exceptions.h"
#include "base/path_text.h"
#include "engine/file64.h"
#include "engine/merge/package_recovery.h"
#include "engine/merge/temporary_file.h"
#include "engine/operation_state.h"
#include "platform/files.h"
#include "res/resource.h"

namespace {

// The set of a PAR2 file given by its path: its packets name the set, all the PAR2 files
// beside it may hold its recovery slices.
std::optional<PackageRecoverySet> SetOfPar2File(const std::string& path) {
  const std::vector<Par2FoundSet> own = ReadPar2Sets({path});
  if (own.empty()) return std::nullopt;
  const std::string folder = FolderPart(path);
  const std::vector<std::string> files = Par2FilesIn(folder);
  for (Par2FoundSet& found : ReadPar2Sets(files)) {
    if (found.set.setId == own.front().set.setId) {
      return PackageRecoverySet{std::move(found), folder, files};
    }
  }
  return std::nullopt;
}

std::optional<PackageRecoverySet> SetFor(const std::string& path,
                                         const std::vector<std::string>& searchFolders) {
  if (IsPar2FileName(FileNamePart(path))) return SetOfPar2File(path);
  std::vector<std::string> folders{FolderPart(path)};
  folders.insert(folders.end(), searchFolders.begin(), searchFolders.end());
  return FindRecoverySet(folders, {FileNamePart(path)});
}

// Each temporary takes its target's name in turn; those not yet in place go if one fails.
void PutInPlace(const std::vector<std::string>& temporaries,
                const std::vector<std::string>& targets, TemporaryFiles& held,
                std::vector<std::string>& done) {
  for (std::size_t file = 0; file < temporaries.size(); ++file) {
    if (temporaries[file].empty()) continue;
    RaiseSystemFileError(platform::MoveIntoPlace(temporaries[file], targets[file]), targets[file]);
    held.Release(temporaries[file]);
    done.push_back(targets[file]);
  }
}

}  // namespace

RepairOutcome RepairPackage(OperationHost& host, const std::string& path,
                            const std::string& destinationFolder,
                            const std::vector<std::string>& searchFolders) {
  const std::optional<PackageRecoverySet> set = SetFor(path, searchFolders);
  if (!set) ThrowAppException(IDS_RECOVERY_NONE, {FileNamePart(path)});
  // The bytes that the check and then the rebuild have gone through, for the final statistics.
  std::uint64_t before = 0;
  const RecoveryProgress shown = ShownRecoveryProgress(host);
  const RecoveryProgress progress = [&before, &shown](std::uint64_t done, std::uint64_t total) {
    ProcessOperationState().bytesDone = before + done;
    shown(done, total);
  };
  SetStatus(host, 0, IDS_RECOVERY_CHECKING, {FileNamePart(path)});
  const RecoveryOutlook outlook = AssessRecovery(*set, {}, progress);
  before = ProcessOperationState().bytesDone;
  RepairOutcome outcome;
  if (outlook.badNames.empty()) {
    SetStatus(host, 0, IDS_RECOVERY_NOTHING_TO_DO);
    return outcome;
  }
  if (!outlook.solvable) {
    throw CAppException(CannotRebuildText(outlook));
  }
  const std::vector<Par2File>& files = set->found.set.files;
  std::vector<std::string> targets(files.size());
  std::vector<std::string> temporaries(files.size());
  TemporaryFiles held;
  for (std::size_t file = 0; file < files.size(); ++file) {
    if (outlook.check.files[file].state == Par2FileState::good) continue;
    targets[file] = destinationFolder.empty() ? outlook.paths[file]
                                              : destinationFolder + FileNamePart(files[file].name);
    if (targets[file].empty()) ThrowAppException(IDS_INVALID_FILE_NAME, {files[file].name});
    RemoveStaleTemporaries(targets[file]);  // a repair killed while it rebuilt left them
    CFile64 output;
    temporaries[file] = CreateTemporaryFor(targets[file], output);
    held.Add(temporaries[file]);
    output.Close();
  }
  SetStatus(host, 0, IDS_RECOVERY_REBUILDING, {JoinedNames(outlook.badNames)});
  RebuildFromRecovery(*set, outlook, temporaries, progress);
  PutInPlace(temporaries, targets, held, outcome.rebuilt);
  SetStatus(host, 100);
  SetStatus(host, 0, IDS_RECOVERY_REBUILT, {JoinedNames(outlook.badNames)});
  return outcome;
}
