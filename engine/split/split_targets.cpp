#include "engine/split/split_targets.h"

#include <algorithm>

#include "app/exceptions.h"
#include "app/path_text.h"
#include "engine/file64.h"
#include "engine/package_manifest.h"
#include "engine/package_names.h"
#include "platform/files.h"
#include "res/resource.h"

std::vector<std::string> StalePackageFiles(const MasterHeader& header, bool isSelfExtracting) {
  std::vector<std::string> stale;
  const std::string otherMaster =
      PackageFileName(header.pathPrefix, header.version, !isSelfExtracting, 0);
  if (FileExists(otherMaster)) stale.push_back(otherMaster);
  // Five digits name at most 99,999 files; the run ends at the first gap.
  for (std::uint32_t index = header.fileCount; index <= 99999; ++index) {
    std::string piece = PackageFileName(header.pathPrefix, header.version, false, index);
    if (!FileExists(piece)) break;
    stale.push_back(std::move(piece));
  }
  return stale;
}

namespace {

bool IsAmong(const std::string& path, const std::vector<std::string>& files) {
  // A name that leads nowhere cannot be the file, which exists.
  return std::ranges::any_of(files, [&path](const std::string& file) {
    return FileExists(file) && platform::IsSameFile(file, path);
  });
}

}  // namespace

std::optional<std::string> ManifestToReplace(const MasterHeader& header, bool writesManifest) {
  const std::string manifest = ManifestPath(header.pathPrefix);
  if (!FileExists(manifest)) return std::nullopt;
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

void RefuseSourceAmong(const std::string& sourcePath, const std::vector<std::string>& files) {
  if (IsAmong(sourcePath, files)) ThrowAppException(IDS_SOURCE_IN_PACKAGE, {sourcePath});
}

void RefuseStubAmong(const std::string& stubPath, const std::vector<std::string>& files) {
  if (IsAmong(stubPath, files)) {
    throw CAppException("The stub " + stubPath +
                        " cannot be one of the split files it heads: it would be overwritten.");
  }
}
