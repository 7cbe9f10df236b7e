#pragma once
// Reading and replacing the POSIX settings file. A read never blocks (a FIFO or a device in
// its place is refused, not opened for good) and takes at most a bounded size; a replacement
// is whole or nothing, goes through symbolic links to the file they name and keeps that file's
// permissions.

#include <sys/types.h>

#include <cerrno>
#include <cstddef>
#include <ctime>
#include <string>
#include <string_view>

#include "platform/registry.h"

namespace platform {

// Settings are a few hundred bytes; a file larger than this is no settings file of ours.
inline constexpr std::size_t kSettingsFileLimit = kRegistryStoreLimit;

// Codes of a settings file that is there but not read.
inline constexpr ErrorCode kSettingsFileTooLarge = EFBIG;
inline constexpr ErrorCode kSettingsFileNotRegular = ENODEV;

// Tells whether the file changed since it was read: a replacement gives a new inode, an edit
// in place a new size or change time.
struct FileStamp {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};
  timespec changed{};
  bool operator==(const FileStamp& other) const;
};

// The file's stamp; ENOENT when there is none.
ErrorCode StampSettingsFile(const std::string& path, FileStamp& stamp);
// The whole file and its stamp. A directory gives EISDIR, any other file that is not a regular
// file kSettingsFileNotRegular, a file over the limit kSettingsFileTooLarge.
ErrorCode ReadSettingsFile(const std::string& path, std::string& bytes, FileStamp& stamp);
// Writes a temporary file beside the file the path leads to, flushes it and renames it over
// that file, so that a crash leaves one whole file or the other. A new file is readable by its
// owner only. The temporaries that killed replacements left are removed first: the caller
// holds the folder's lock.
ErrorCode ReplaceSettingsFile(const std::string& path, std::string_view contents);

}  // namespace platform
