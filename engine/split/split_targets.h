#pragma once
// The files a split is about to write or replace, checked before anything is created or deleted.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/package_format.h"

// Files of an earlier package with the same prefix that the new package would leave beside it
// as if they were its own: the master of the other kind (".fsm" beside a new ".exe" and the
// reverse) and the unbroken run of pieces after the new package's last one. Only those that
// exist are listed.
std::vector<std::string> StalePackageFiles(const MasterHeader& header, bool isSelfExtracting);

// The manifest beside the package when the split replaces or removes it: always when the split
// writes its own, and otherwise when it is an earlier package's (it lists a master of this
// prefix), which would fail every new piece. Another file of that name, such as a checksum of
// the source that the user made, stays.
std::optional<std::string> ManifestToReplace(const MasterHeader& header, bool writesManifest);

// Recovery files of an earlier package with the same prefix, beside the master, that the new
// package would leave beside it: the index and volumes whose set protects a master of this
// prefix, except those of `written` (which the split writes over after asking). A PAR2 file of
// the user's own, one that protects other files, stays.
std::vector<std::string> StaleRecoveryFiles(const MasterHeader& header,
                                            const std::vector<std::string>& written);

// Raises 1171 naming the source when one of the files is the source itself, under its own
// name, through a link or as a hard link: writing or removing it would lose the source. One
// query per file that exists, so the check grows with the number of files only.
void RefuseSourceAmong(const std::string& sourcePath, const std::vector<std::string>& files);
// The same for the stub a self-extracting master is to begin with: a stub that is a file of the
// package (an earlier master) would be emptied before it is copied.
void RefuseStubAmong(const std::string& stubPath, const std::vector<std::string>& files);
