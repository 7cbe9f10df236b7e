#pragma once
// The SHA-256 digest of a package file that was just written, for the package's manifest, read
// back from the disk (from the system's cache as a rule) on the split's digest thread.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "engine/background_work.h"
#include "engine/sha256.h"

// Reads the file through `buffer`. The bytes from position `originalFrom` on, a piece's data,
// also go to `original`, the digest of the file that was split, when one is given. Nothing is
// returned when `work` is stopped meanwhile. Raises the file errors of opening and reading.
std::optional<Sha256Digest> DigestOfPackageFile(const std::string& path,
                                                std::span<std::byte> buffer, Sha256* original,
                                                std::uint64_t originalFrom,
                                                const BackgroundWork& work);
