#pragma once
// What a recovery set records of one file it protects, read from the file itself: its digests,
// its length and each slice's MD5 and CRC-32, the last slice taken as padded with zeros.

#include <cstdint>
#include <string>

#include "engine/recovery/par2_format.h"

// Reads the file at `path` once; `name` is the name the set stores. Raises the file errors.
Par2File DigestPar2File(const std::string& path, const std::string& name, std::uint64_t sliceSize);
