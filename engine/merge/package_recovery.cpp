#include "engine/merge/package_recovery.h"

#include <algorithm>
#include <iterator>

#include "base/exceptions.h"
#include "base/message_format.h"
#include "base/path_text.h"
#include "base/text_format.h"
#include "engine/copy_data.h"
#include "engine/operation_state.h"
#include "platform/files.h"
#include "res/resource.h"

std::optional<PackageRecoverySet> FindRecoverySet(const std::vector<std::string>& folders,
                                                  const std::vector<std::string>& memberNames) {
  std::optional<PackageRecoverySet> best;
  for (const std::string& given : folders) {
    const std::optional<std::string> folder = platform::FolderQueryPath(given);
    if (!folder) continue;
    const std::vector<std::string> files = Par2FilesIn(*folder);
    if (files.empty()) continue;
    for (Par2FoundSet& found : ReadPar2Sets(files)) {
      const bool protectsMember = std::ranges::any_of(found.set.files, [&](const Par2File& file) {
        return std::ranges::find(memberNames, file.name) != memberNames.end();
      });
      if (!protectsMember) continue;
      if (best && best->found.recovery.size() >= found.recovery.size()) continue;
      best = PackageRecoverySet{std::move(found), *folder, files};
    }
  }
  return best;
}

RecoveryOutlook AssessRecovery(const PackageRecoverySet& set,
                               const std::vector<KnownRecoveryFile>& known,
                               const RecoveryProgress& progress) {
  RecoveryOutlook outlook;
  const Par2Set& par2 = set.found.set;
  std::vector<bool> knownGood;
  for (const Par2File& file : par2.files) {
    const auto given = std::ranges::find(known, file.name, &KnownRecoveryFile::storedName);
    if (given != known.end()) {
      outlook.paths.push_back(given->path);
      knownGood.push_back(given->good);
      continue;
    }
    // A name that leads outside the set's folder is treated as a file that is not there.
    outlook.paths.push_back(Par2FilePath(set.folder, file.name).value_or(std::string()));
    knownGood.push_back(false);
  }
  outlook.check = CheckPar2Files(set.found, outlook.paths, knownGood, progress);
  for (std::size_t file = 0; file < par2.files.size(); ++file) {
    const Par2FileCheck& check = outlook.check.files[file];
    if (check.state != Par2FileState::good) outlook.badNames.push_back(par2.files[file].name);
    if (!check.openError.empty()) outlook.readErrors.push_back(check.openError);
  }
  std::ranges::copy(set.found.readErrors, std::back_inserter(outlook.readErrors));
  std::ranges::sort(outlook.badNames);
  outlook.slicesPerVolume = Par2SlicesPerVolume(par2);
  outlook.solvable = CanRebuildPar2Files(set.found, outlook.check);
  const std::uint32_t missing = outlook.check.missingSlices;
  const std::uint32_t available = outlook.check.recoverySlices;
  if (outlook.solvable) {
    outlook.spareVolumes = (available - std::min(missing, available)) / outlook.slicesPerVolume;
  } else {
    outlook.volumesNeeded = Par2VolumesNeeded(par2, missing, available);
  }
  return outlook;
}

std::optional<PackageRecoverySet> FindPackageRecoverySet(
    const std::string& masterPath, const std::vector<std::string>& pieceNames,
    const std::vector<std::string>& searchFolders) {
  std::vector<std::string> names{FileNamePart(masterPath)};
  for (const std::string& piece : pieceNames) names.push_back(FileNamePart(piece));
  std::vector<std::string> folders{FolderPart(masterPath)};
  folders.insert(folders.end(), searchFolders.begin(), searchFolders.end());
  return FindRecoverySet(folders, names);
}

PackageRecovery AssessPackageRecovery(PackageRecoverySet set, const PackageReport& report,
                                      const std::string& masterPath,
                                      const RecoveryProgress& progress) {
  std::vector<KnownRecoveryFile> known{{FileNamePart(masterPath), masterPath, false}};
  for (const PieceReport& piece : report.pieces) {
    known.push_back(
        {FileNamePart(piece.name), piece.where.empty() ? piece.name : piece.where, piece.Good()});
  }
  RecoveryOutlook outlook = AssessRecovery(set, known, progress);
  return PackageRecovery{std::move(set), std::move(outlook)};
}

std::string CannotRebuildText(const RecoveryOutlook& outlook) {
  std::string text =
      LoadMessage(IDS_RECOVERY_NOT_ENOUGH, {FormatInteger(outlook.check.missingSlices),
                                            FormatInteger(outlook.check.recoverySlices),
                                            FormatInteger(outlook.volumesNeeded)})
          .value_or("");
  for (const std::string& error : outlook.readErrors) text += "\n" + error;
  return text;
}

void RebuildFromRecovery(const PackageRecoverySet& set, const RecoveryOutlook& outlook,
                         const std::vector<std::string>& outputs,
                         const RecoveryProgress& progress) {
  RebuildPar2Files(set.found, outlook.paths, outlook.check, outputs, progress);
}

RecoveryProgress ShownRecoveryProgress(OperationHost& host) {
  return [&host](std::uint64_t done, std::uint64_t total) {
    SetStatus(host, total == 0 ? 100 : static_cast<int>(done * 100 / total));
    if (PollCancel(host)) ThrowUserAbort();
  };
}

std::string JoinedNames(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  return text;
}
