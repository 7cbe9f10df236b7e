#pragma once
// The SHA-256 digest of a whole file that was just written, for the package's manifest.

#include <optional>
#include <string>

#include "engine/copy_data.h"
#include "engine/operation_host.h"
#include "engine/sha256.h"

// Reads the file in the buffer's blocks; between blocks the user may cancel, as during a copy,
// and nothing is returned then. Raises the file errors of opening and reading.
std::optional<Sha256Digest> DigestOfFile(OperationHost& host, const std::string& path,
                                         CopyBuffer& buffer);
