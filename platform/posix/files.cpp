#include "platform/files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <memory>

#include "platform/interrupt_flags.h"

namespace platform {
namespace {

static_assert(sizeof(off_t) == 8, "offsets and sizes must be 64-bit");

int Descriptor(FileHandle handle) { return static_cast<int>(handle); }

ErrorCode LastError() { return static_cast<ErrorCode>(errno); }

// A call that a signal interrupted is made again, unless the program is asked to end: then
// the failure ends the operation, which removes its partial output.
bool ResumeAfterSignal() { return errno == EINTR && TerminationSignal() == 0; }

bool IsFolder(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// ENOENT names both a missing file and a missing folder on the way; Windows tells them
// apart, and so does the program: a missing folder is a bad path.
ErrorCode OpenError(const std::string& path) {
  ErrorCode code = LastError();
  if (code != ENOENT) return code;
  std::string::size_type slash = path.find_last_of('/');
  if (slash == std::string::npos) return code;
  std::string folder = slash == 0 ? "/" : path.substr(0, slash);
  return IsFolder(folder) ? code : kErrorPathNotFound;
}

// An advisory lock on the whole file, held by this open file description until it is
// closed; it keeps our programs from each other as the Windows sharing modes do.
ErrorCode LockWholeFile(int fd, bool exclusive) {
#ifdef F_OFD_SETLK
  struct flock lock = {};
  lock.l_type = static_cast<short>(exclusive ? F_WRLCK : F_RDLCK);
  lock.l_whence = SEEK_SET;
  if (fcntl(fd, F_OFD_SETLK, &lock) == 0) return 0;
#else
  if (flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) == 0) return 0;
#endif
  ErrorCode code = LastError();
  if (code == EAGAIN || code == EACCES) return kErrorSharingViolation;
  // A file system without locks (some network and user-space ones) still opens the file.
  return 0;
}

// Opened without waiting: a pipe would otherwise block the open until a writer or a reader
// comes, and a device may block as well. Only regular files are taken; the descriptor then
// blocks again, as the copy expects.
ErrorCode OpenRegularFile(const std::string& path, int flags, int& fd) {
  fd = open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0666);
  // A pipe that nobody reads refuses a writer without waiting.
  if (fd < 0) return errno == ENXIO ? kErrorNotRegularFile : OpenError(path);
  struct stat info;
  ErrorCode code = fstat(fd, &info) == 0 ? 0 : LastError();
  // Windows refuses to open a folder as a file; reading one here would fail later instead.
  if (code == 0 && S_ISDIR(info.st_mode)) code = EISDIR;
  if (code == 0 && !S_ISREG(info.st_mode)) code = kErrorNotRegularFile;
  if (code == 0 && fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) code = LastError();
  if (code != 0) close(fd);
  return code;
}

// Opens, locks, and only then may truncate: a file another process holds stays intact.
ErrorCode OpenLocked(const std::string& path, int flags, bool exclusive, FileHandle& handle) {
  int fd = -1;
  if (ErrorCode code = OpenRegularFile(path, flags, fd); code != 0) return code;
  ErrorCode code = LockWholeFile(fd, exclusive);
  struct stat info;
  if (code == 0 && fstat(fd, &info) != 0) code = LastError();
  // An empty file is left alone: ext4 takes a truncation to zero for a file being replaced
  // and writes all its data out at close, which would cost a large new file seconds.
  if (code == 0 && exclusive && info.st_size != 0 && ftruncate(fd, 0) != 0) code = LastError();
  if (code != 0) {
    close(fd);
    return code;
  }
  handle = fd;
  return 0;
}

// realpath's answer, or nothing when the path does not lead anywhere.
std::optional<std::string> RealPath(const std::string& path) {
  std::unique_ptr<char, decltype(&std::free)> full(realpath(path.c_str(), nullptr), &std::free);
  if (!full) return std::nullopt;
  return std::string(full.get());
}

// The absolute path with links resolved; for a file that does not exist, its folder resolved
// and its name kept, and for a missing folder the path made absolute and tidied.
std::string ResolvedPath(const std::string& path) {
  if (std::optional<std::string> full = RealPath(path)) return *full;
  const std::string::size_type slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (std::optional<std::string> full = RealPath(folder)) {
    return *full + (full->ends_with('/') ? "" : "/") + name;
  }
  std::error_code ignored;
  return std::filesystem::absolute(path, ignored).lexically_normal().string();
}

}  // namespace

ErrorCode OpenForReading(const std::string& path, FileHandle& handle) {
  return OpenLocked(path, O_RDONLY, false, handle);
}

ErrorCode OpenForWriting(const std::string& path, FileHandle& handle) {
  return OpenLocked(path, O_WRONLY | O_CREAT, true, handle);
}

ErrorCode CloseFileHandle(FileHandle handle) {
  // After EINTR the descriptor is gone on Linux; closing again could hit another file.
  if (close(Descriptor(handle)) != 0 && errno != EINTR) return LastError();
  return 0;
}

ErrorCode ReadBytes(FileHandle handle, void* buffer, std::uint32_t size, std::uint32_t& read) {
  read = 0;
  auto* bytes = static_cast<char*>(buffer);
  while (read < size) {
    ssize_t got = ::read(Descriptor(handle), bytes + read, size - read);
    if (got < 0 && ResumeAfterSignal()) continue;
    if (got < 0) return LastError();
    if (got == 0) break;
    read += static_cast<std::uint32_t>(got);
  }
  return 0;
}

ErrorCode WriteBytes(FileHandle handle, const void* buffer, std::uint32_t size,
                     std::uint32_t& written) {
  written = 0;
  const auto* bytes = static_cast<const char*>(buffer);
  while (written < size) {
    ssize_t put = ::write(Descriptor(handle), bytes + written, size - written);
    if (put < 0 && ResumeAfterSignal()) continue;
    if (put < 0) return LastError();
    // A write that stores nothing without an error would loop for ever; report it short.
    if (put == 0) break;
    written += static_cast<std::uint32_t>(put);
  }
  return 0;
}

ErrorCode SeekTo(FileHandle handle, std::int64_t offset, SeekOrigin origin,
                 std::uint64_t& position) {
  int whence = origin == SeekOrigin::Begin     ? SEEK_SET
               : origin == SeekOrigin::Current ? SEEK_CUR
                                               : SEEK_END;
  off_t result = lseek(Descriptor(handle), offset, whence);
  if (result < 0) {
    // A position before the start is a failed seek, as on Windows (its "negative seek").
    return errno == EINVAL ? ESPIPE : LastError();
  }
  position = static_cast<std::uint64_t>(result);
  return 0;
}

ErrorCode FileLength(FileHandle handle, std::uint64_t& length) {
  struct stat info;
  if (fstat(Descriptor(handle), &info) != 0) return LastError();
  length = static_cast<std::uint64_t>(info.st_size);
  return 0;
}

ErrorCode FlushToDisk(FileHandle handle) {
  return fsync(Descriptor(handle)) == 0 ? 0 : LastError();
}

ErrorCode SetFileLength(FileHandle handle, std::uint64_t length) {
  if (length > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) return EFBIG;
  return ftruncate(Descriptor(handle), static_cast<off_t>(length)) == 0 ? 0 : LastError();
}

ErrorCode RemoveFile(const std::string& path) {
  return unlink(path.c_str()) == 0 ? 0 : LastError();
}

PathKind QueryPathKind(const std::string& path) {
  struct stat info;
  if (path.empty() || stat(path.c_str(), &info) != 0) return PathKind::Missing;
  return S_ISDIR(info.st_mode) ? PathKind::Folder : PathKind::File;
}

ErrorCode SizeFromDirectoryEntry(const std::string& path, std::uint64_t& size) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return OpenError(path);
  size = S_ISDIR(info.st_mode) ? 0 : static_cast<std::uint64_t>(info.st_size);
  return 0;
}

ErrorCode MarkExecutable(const std::string& path) {
  struct stat status;
  if (stat(path.c_str(), &status) != 0) return errno;
  // Execute where read is allowed, as "chmod +x" gives under the usual masks.
  const mode_t mode = status.st_mode & 07777;
  const mode_t wanted = mode | ((mode & (S_IRUSR | S_IRGRP | S_IROTH)) >> 2);
  if (wanted != mode && chmod(path.c_str(), wanted) != 0) return errno;
  return 0;
}

std::string AbsolutePath(const std::string& path) {
  if (path.empty() || path.front() == '/') return path;
  std::unique_ptr<char, decltype(&std::free)> current(getcwd(nullptr, 0), &std::free);
  if (current == nullptr) return path;
  std::string_view rest = path;
  while (rest.starts_with("./")) rest.remove_prefix(2);
  if (rest == ".") rest = {};
  std::string absolute = current.get();
  if (absolute.back() != '/') absolute += '/';
  return absolute += rest;
}

bool IsSameFile(const std::string& first, const std::string& second) {
  struct stat one;
  struct stat other;
  if (stat(first.c_str(), &one) == 0 && stat(second.c_str(), &other) == 0) {
    return one.st_dev == other.st_dev && one.st_ino == other.st_ino;
  }
  return ResolvedPath(first) == ResolvedPath(second);
}

}  // namespace platform
