#include "engine/package_names.h"

#include "base/path_text.h"

namespace {

// Index digits: zero-padded to five for the current generation, plain for the early ones.
std::string IndexText(std::uint32_t version, std::uint32_t index) {
  std::string digits = std::to_string(index);
  if (version > kEarlyVersion2 && digits.size() < 5) digits.insert(0, 5 - digits.size(), '0');
  return digits;
}

const char* ExtensionFor(bool isSelfExtracting, std::uint32_t index) {
  if (index != 0) return "fss";
  return isSelfExtracting ? "exe" : "fsm";
}

}  // namespace

std::string PackageFileName(std::string_view pathPrefix, std::uint32_t version,
                            bool isSelfExtracting, std::uint32_t index) {
  std::string name(pathPrefix);
  if (version > kEarlyVersion2) name += '_';
  name += IndexText(version, index);
  name += '.';
  name += ExtensionFor(isSelfExtracting, index);
  return name;
}

void BuildPackageFileNames(const MasterHeader& header, bool isSelfExtracting,
                           std::vector<std::string>& names) {
  names.clear();
  names.reserve(header.fileCount);
  for (std::uint32_t index = 0; index < header.fileCount; ++index) {
    names.push_back(PackageFileName(header.pathPrefix, header.version, isSelfExtracting, index));
  }
}

std::string StoredFileName(std::string_view storedPath) {
  std::string name = FileNamePart(storedPath);
  // Windows drops trailing dots and spaces from a name, so ".. " would climb as ".." does.
  if (name.find_first_not_of(". ") == std::string::npos) name.clear();
  return name;
}

std::string PathPrefixBesideMaster(std::string_view masterPath, const MasterHeader& header) {
  return FolderPart(masterPath) + StoredFileName(header.pathPrefix);
}

std::string OriginalFileName(const MasterHeader& header) {
  return StoredFileName(header.sourcePath);
}
