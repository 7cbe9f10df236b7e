#pragma once
// The file names of a package, built from its path prefix, and the names taken from the paths
// that a master stores.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/package_format.h"

// Package file i: "exe" or "fsm" for the master, "fss" for a piece; "%s_%05u.%s" above version
// 0x00020000, "%s%lu.%s" up to it.
std::string PackageFileName(std::string_view pathPrefix, std::uint32_t version,
                            bool isSelfExtracting, std::uint32_t index);
// Every file of the package, the master first, with header.pathPrefix as the prefix.
void BuildPackageFileNames(const MasterHeader& header, bool isSelfExtracting,
                           std::vector<std::string>& names);

// The file-name part of a path stored in a record, which may come from either platform: the
// text after the last "\" or "/", and empty for a name of dots and spaces only (".", ".."),
// so that joined to a folder it always names something inside that folder.
std::string StoredFileName(std::string_view storedPath);
// The package's prefix moved next to the master: the master's folder and the stored prefix's
// own name part.
std::string PathPrefixBesideMaster(std::string_view masterPath, const MasterHeader& header);
// The original file's name as stored at split time, offered for the merged file.
std::string OriginalFileName(const MasterHeader& header);
