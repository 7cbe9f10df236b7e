#pragma once
// The version resource of a Windows program file, read as plain bytes, so that a split on any
// system can check a Windows lite program it is given as a stub. The same code (and its tests)
// on every platform.

#include <cstdint>

#include "platform/bounded_file.h"
#include "platform/version_info.h"

namespace platform {

enum class PeVersionResult {
  found,
  notPe,       // no PE header
  damaged,     // a size or offset points outside the file or its resource data
  noResource,  // a sound PE file without a version resource
};

// Finds the first version resource of a PE file of `fileSize` bytes and reads its fixed part
// and the string values of language 0409, code page 04B0, as Windows' own reading does.
PeVersionResult ReadPeVersionResource(std::uint64_t fileSize, const ReadAtFunction& readAt,
                                      VersionInfo& info);

}  // namespace platform
