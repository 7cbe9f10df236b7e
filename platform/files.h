#pragma once
// Handle-based file access with the program's fixed access and sharing rules.
// Every call returns 0 on success or the system's error code.

#include <cstdint>
#include <string>

#include "platform/system_error.h"

namespace platform {

// A HANDLE on Windows, a descriptor on POSIX; both use -1 for "no file".
using FileHandle = std::intptr_t;
inline constexpr FileHandle kInvalidFileHandle = -1;

enum class SeekOrigin { Begin, Current, End };

// Reading: the file must exist; other readers are admitted, writers refused.
ErrorCode OpenForReading(const std::string& path, FileHandle& handle);
// Writing: created or truncated; nobody else may open it while it is held.
// On POSIX the exclusive lock is taken before the truncation.
ErrorCode OpenForWriting(const std::string& path, FileHandle& handle);
ErrorCode CloseFileHandle(FileHandle handle);

// One call each; a short read or write is reported through the count, not as an error.
ErrorCode ReadBytes(FileHandle handle, void* buffer, std::uint32_t size, std::uint32_t& read);
ErrorCode WriteBytes(FileHandle handle, const void* buffer, std::uint32_t size,
                     std::uint32_t& written);
ErrorCode SeekTo(FileHandle handle, std::int64_t offset, SeekOrigin origin,
                 std::uint64_t& position);
ErrorCode FileLength(FileHandle handle, std::uint64_t& length);
ErrorCode FlushToDisk(FileHandle handle);

ErrorCode RemoveFile(const std::string& path);

enum class PathKind { Missing, File, Folder };
// What a path names; long paths are handled inside (the "\\?\" form on Windows).
PathKind QueryPathKind(const std::string& path);
// The size from the folder entry, without opening the file.
ErrorCode SizeFromDirectoryEntry(const std::string& path, std::uint64_t& size);

}  // namespace platform
