#pragma once
// The volume that holds a folder: its free space and whether it is a fixed disk.

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// Bytes available to the calling user on the volume that holds `folder` (quota and reserved
// blocks taken into account); nothing when the platform cannot answer, for instance when the
// folder does not exist or no disk is inserted. An empty path means the current folder.
std::optional<std::uint64_t> FreeBytesAvailable(const std::string& folder);

// True only when `folder` lies on a local, non-removable disk. Removable media, network and
// memory file systems, and anything that cannot be told, are not fixed. A folder that does not
// exist yet is judged by the volume that would hold it.
bool IsOnFixedDrive(const std::string& folder);

}  // namespace platform
