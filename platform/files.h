#pragma once
// Handle-based file access with the program's fixed access and sharing rules.
// Every call returns 0 on success or the system's error code.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// A short read or write is reported through the count, not as an error: a read stops
// early only at the end of the file, a write only on an error (whose code is returned).
ErrorCode ReadBytes(FileHandle handle, void* buffer, std::uint32_t size, std::uint32_t& read);
ErrorCode WriteBytes(FileHandle handle, const void* buffer, std::uint32_t size,
                     std::uint32_t& written);
ErrorCode SeekTo(FileHandle handle, std::int64_t offset, SeekOrigin origin,
                 std::uint64_t& position);
ErrorCode FileLength(FileHandle handle, std::uint64_t& length);
ErrorCode FlushToDisk(FileHandle handle);
// Puts the entries of `folder` (the names created, renamed or removed in it) on the disk, as
// FlushToDisk does for a file's data, so that a file moved into place keeps its name after a
// power cut. 0 where the file system has nothing to flush.
ErrorCode FlushFolder(const std::string& folder);
// Starts writing bytes [offset, offset + length) of the file to the disk and returns without
// waiting, so that a flush at the end finds little left to do. Only a hint: where the system
// has no such call nothing happens, and write errors are reported by the flush.
void StartWriteBack(FileHandle handle, std::uint64_t offset, std::uint64_t length);
// Waits until bytes [offset, offset + length), written back earlier, are on the disk, and lets
// the system drop them from its cache: a long stream of writes then holds a few windows of the
// file in memory, not gigabytes of it waiting for the flush. A hint, as StartWriteBack is.
void SettleWrittenBack(FileHandle handle, std::uint64_t offset, std::uint64_t length);
// The file ends at `length` bytes, cut or extended with zeros; the position stays where it is.
ErrorCode SetFileLength(FileHandle handle, std::uint64_t length);

ErrorCode RemoveFile(const std::string& path);

// Writing a file that does not exist yet: refused with kErrorFileExists when the name is
// taken, so two programs never share it; held as OpenForWriting holds its files, and given the
// permissions any new file gets. Long paths are handled inside.
ErrorCode CreateNewForWriting(const std::string& path, FileHandle& handle);
// A new file named `prefix` followed by six random letters and digits, created as
// CreateNewForWriting creates one (a taken name is tried again with others); `path` receives
// the name.
ErrorCode CreateUniqueFile(const std::string& prefix, FileHandle& handle, std::string& path);
// Puts the file `from` in place of `to` in one step (both in one folder): whatever `to` named
// before, a file or a link, is replaced, never written through.
ErrorCode MoveIntoPlace(const std::string& from, const std::string& to);
// Whether the file at `path` may be replaced by MoveIntoPlace as the user would expect: 0 for
// a missing name or a link; a folder, a read-only file or one that another program holds for
// writing (our sharing rules) give the error that opening it for writing gives.
ErrorCode CheckReplaceable(const std::string& path);
// Removes a file unless a program holds it as OpenForWriting or CreateNewForWriting do (the
// sharing violation is returned then).
ErrorCode RemoveFileUnlessHeld(const std::string& path);
// The names of the entries of `folder` (the current folder when empty) that begin with
// `prefix`, compared exactly; nothing when the folder cannot be read.
std::vector<std::string> FileNamesStartingWith(const std::string& folder,
                                               const std::string& prefix);

enum class PathKind { Missing, File, Folder };
// What a path names; long paths are handled inside (the "\\?\" form on Windows).
PathKind QueryPathKind(const std::string& path);
// Answers, never errors; paths of any length.
bool FileExists(const std::string& path);
// A bare separator (what an empty path becomes) is no folder on Windows; "/" is the root
// folder on POSIX.
bool FolderExists(const std::string& path);
// The size from the folder entry, without opening the file; 0 for a folder.
ErrorCode SizeFromDirectoryEntry(const std::string& path, std::uint64_t& size);
// Whether two paths lead to the same file. When both exist, the files themselves are compared,
// so links, relative parts and other spellings of one file are caught; otherwise the absolute
// paths with their folders resolved (without regard to case on Windows).
bool IsSameFile(const std::string& first, const std::string& second);

// Tells which of many paths lead to one file, as IsSameFile does, with that file looked up
// once and the folder of the names that do not exist resolved once for all names in it: the
// names of a package of thousands of files cost one look-up each.
class SameFileMatcher {
 public:
  explicit SameFileMatcher(const std::string& path);
  bool Matches(const std::string& other);

 private:
  struct Identity {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    friend bool operator==(const Identity&, const Identity&) = default;
  };
  static std::optional<Identity> IdentityOf(const std::string& path);
  // The absolute path of a name that does not lead to a file, its folder resolved.
  std::string ResolvedName(const std::string& path);

  std::optional<Identity> identity_;  // of the file, when it exists
  std::string resolved_;              // the path resolved, for names that lead nowhere
  std::string folder_;                // the folder last resolved, as given and resolved
  std::optional<std::string> resolvedFolder_;
};

// Path rules, with the separator style as an argument so that the Windows rules run
// (and are tested) everywhere.
enum class PathStyle { windows, posix };
#ifdef _WIN32
inline constexpr PathStyle kNativePathStyle = PathStyle::windows;
#else
inline constexpr PathStyle kNativePathStyle = PathStyle::posix;
#endif

// The path to ask about when testing for a folder: the path with a trailing separator
// (Windows: '/' when the path holds one, else '\'). Nothing when the answer is no without
// asking: an empty path, and on Windows a bare separator or a bare "\\?\".
std::optional<std::string> FolderQueryPath(std::string_view path,
                                           PathStyle style = kNativePathStyle);

// Lets the file be run as a program by those who may read it (a self-extracting master on
// POSIX, where that takes the execute permission); nothing to do on Windows, where the
// extension says it.
ErrorCode MarkExecutable(const std::string& path);

// The path made absolute against the current folder, as the user meant a path typed on the
// command line (Windows also resolves "." and ".." parts); unchanged when it already is
// absolute, is empty, or the current folder cannot be had.
std::string AbsolutePath(const std::string& path);

// Paths of this many UTF-16 units or more need the "\\?\" form on Windows.
inline constexpr std::size_t kLongPathLength = 260;
inline constexpr std::string_view kLongPathPrefix = "\\\\?\\";
// The "\\?\" form of an absolute Windows path of kLongPathLength units or more that does
// not have it yet ("\\?\UNC\server\share" for a network path); other paths unchanged.
std::string ExtendedLengthPath(std::string_view path);

}  // namespace platform
