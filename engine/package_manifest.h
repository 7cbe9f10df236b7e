#pragma once
// The manifest beside a package, PREFIX.sha256: the SHA-256 digest of every package file and
// of the original file, one "<64 hex digits>  <name>" line each, as `sha256sum -c` reads them,
// so that a package can be checked without this program, and damage that the byte sums cannot
// see (bytes moved within a piece) is found.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/sha256.h"

// PREFIX.sha256 for the package prefix given (folder and name prefix).
std::string ManifestPath(std::string_view pathPrefix);

struct ManifestLine {
  Sha256Digest digest;
  std::string name;  // a file name, relative to the manifest's folder
};

// The manifest's text. A name with a backslash or a line break is written escaped, with a
// backslash before the line, as sha256sum writes it.
std::string ManifestText(const std::vector<ManifestLine>& lines);

// The digests of a manifest by name. Lines that do not read as a digest and a name are passed
// over, as sha256sum passes them over.
using ManifestDigests = std::map<std::string, Sha256Digest, std::less<>>;
ManifestDigests ParseManifest(std::string_view text);

// Writes the manifest; raises the file errors.
void WriteManifest(const std::string& path, const std::vector<ManifestLine>& lines);
// The manifest at `path`, or nothing when there is no file of that name. Raises the file
// errors of reading it, and 1117 for a file far larger than any manifest.
std::optional<ManifestDigests> ReadManifest(const std::string& path);
