#include "engine/split/split_targets.h"

#include <algorithm>

#include "base/exceptions.h"
#include "base/path_text.h"
#include "engine/file64.h"
#include "engine/package_manifest.h"
#include "engine/package_names.h"
#include "engine/recovery/par2_reader.h"
#include "engine/recovery/recovery_layout.h"
#include "platform/files.h"
#include "platform/plain_text.h"
#include "res/resource.h"

std::vector<std::string> StalePackageFiles(const MasterHeader& header, bool isSelfExtracting) {
  std::vector<std::string> stale;
  const std::string otherMaster =
      PackageFileName(header.pathPrefix, header.version, !isSelfExtracting, 0);
  if (platform::FileExists(otherMaster)) stale.push_back(otherMaster);
  // Five digits name at most 99,999 files; the run ends at the first gap.
  for (std::uint32_t index = header.fileCount; index <= 99999; ++index) {
    std::string piece = PackageFileName(header.pathPrefix, header.version, false, index);
    if (!platform::FileExists(piece)) break;
    stale.push_back(std::move(piece));
  }
  return stale;
}

namespace {

bool IsAmong(const std::string& path, const std::vector<std::string>& files) {
  // A name that leads nowhere cannot be the file, which exists.
  return std::ranges::any_of(files, [&path](const std::string& file) {
    return platform::FileExists(file) && platform::IsSameFile(file, path);
  });
}

}  // namespace

std::optional<std::string> ManifestToReplace(const MasterHeader& header, bool writesManifest) {
  const std::string manifest = ManifestPath(header.pathPrefix);
  if (!platform::FileExists(manifest)) return std::nullopt;
  if (writesManifest) return manifest;
  std::optional<ManifestDigests> listed;
  try {
    listed = ReadManifest(manifest);
  } catch (const CException&) {
    return std::nullopt;  // not one this program can have written
  }
  for (const bool selfExtracting : {false, true}) {
    const std::string master =
        PackageFileName(header.pathPrefix, header.version, selfExtracting, 0);
    if (listed && listed->contains(FileNamePart(master))) return manifest;
  }
  return std::nullopt;
}

namespace {

// PREFIX.par2 and PREFIX.vol*.par2, in any case of the extension.
std::vector<std::string> RecoveryFilesOfPrefix(const std::string& pathPrefix) {
  const std::string folder = FolderPart(pathPrefix);
  const std::string name = FileNamePart(pathPrefix);
  std::vector<std::string> found;
  for (const std::string& file : platform::FileNamesStartingWith(folder, name + ".")) {
    const std::string_view rest = std::string_view(file).substr(name.size());
    if (!IsPar2FileName(file)) continue;
    if (rest.size() == 5 || platform::StartsIgnoringCase(rest, ".vol")) {
      found.push_back(folder + file);
    }
  }
  return found;
}

bool ProtectsMasterOf(const std::string& par2File, const MasterHeader& header) {
  for (const Par2FoundSet& found : ReadPar2Sets({par2File})) {
    for (const bool selfExtracting : {false, true}) {
      const std::string master =
          FileNamePart(PackageFileName(header.pathPrefix, header.version, selfExtracting, 0));
      if (std::ranges::any_of(found.set.files,
                              [&](const Par2File& file) { return file.name == master; })) {
        return true;
      }
    }
  }
  return false;
}

}  // namespace

std::vector<std::string> StaleRecoveryFiles(const MasterHeader& header,
                                            const std::vector<std::string>& written) {
  std::vector<std::string> stale;
  for (std::string& file : RecoveryFilesOfPrefix(header.pathPrefix)) {
    if (std::ranges::find(written, file) != written.end()) continue;
    if (ProtectsMasterOf(file, header)) stale.push_back(std::move(file));
  }
  return stale;
}

void RefuseSourceAmong(const std::string& sourcePath, const std::vector<std::string>& files) {
  if (IsAmong(sourcePath, files)) ThrowAppException(IDS_SOURCE_IN_PACKAGE, {sourcePath});
}

void RefuseStubAmong(const std::string& stubPath, const std::vector<std::string>& files) {
  if (IsAmong(stubPath, files)) {
    throw CAppException("The stub " + stubPath +
                        " cannot be one of the split files it heads: it would be overwritten.");
  }
}
