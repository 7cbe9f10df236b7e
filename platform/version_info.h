#pragma once
// The version data of a program file: the version resource on Windows, the equivalent version
// block on POSIX. Any program file can be read, not only the running one, so the split can check
// the lite program it copies as a self-extracting stub.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/system_error.h"

namespace platform {

// The fixed part, as Windows keeps it: each version is two double words, the high one holding
// major << 16 | minor (0x00030001 for 3.1), the low one the third and fourth parts.
struct FixedVersion {
  std::uint32_t productVersionMs = 0;
  std::uint32_t productVersionLs = 0;
  std::uint32_t fileVersionMs = 0;
  std::uint32_t fileVersionLs = 0;
};

// The string values of language 0409, code page 04B0; a missing value is empty.
struct VersionInfo {
  std::optional<FixedVersion> fixed;  // nothing when the data has no fixed part
  std::string companyName;
  std::string productName;
  std::string productVersion;
  std::string fileDescription;
  std::string fileVersion;
  std::string legalCopyright;
  std::string specialBuild;
};

// 0 when the file carries version data (which may still lack its fixed part); otherwise the
// system's error code, also for a file without any version data or a damaged one.
ErrorCode ReadVersionInfo(const std::string& programPath, VersionInfo& info);

// The running program's own version data. `programPath` receives the program's file, or stays
// empty when even that cannot be had.
ErrorCode ReadOwnVersionInfo(std::string& programPath, VersionInfo& info);

}  // namespace platform
