#include "platform/files.h"

#include <dirent.h>
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

// open(2), made again when a signal interrupted it, as ResumeAfterSignal says.
int OpenUnlessEnding(const std::string& path, int flags) {
  int fd = -1;
  do {
    fd = open(path.c_str(), flags, 0666);
  } while (fd < 0 && ResumeAfterSignal());
  return fd;
}

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
  fd = OpenUnlessEnding(path, flags | O_CLOEXEC | O_NONBLOCK);
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

ErrorCode CutTo(int fd, off_t length) {
  while (ftruncate(fd, length) != 0) {
    if (!ResumeAfterSignal()) return LastError();
  }
  return 0;
}

// Opened without following a link or waiting, only to judge the file: its data is not touched.
int OpenToLook(const std::string& path, int flags) {
  return OpenUnlessEnding(path, flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
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
  if (code == 0 && exclusive && info.st_size != 0) code = CutTo(fd, 0);
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

ErrorCode FlushFolder(const std::string& folder) {
  const int fd =
      OpenUnlessEnding(folder.empty() ? "." : folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return LastError();
  ErrorCode code = fsync(fd) == 0 ? 0 : LastError();
  close(fd);
  // A file system that cannot flush a folder (some network and user-space ones) says EINVAL.
  return code == EINVAL ? 0 : code;
}

void StartWriteBack([[maybe_unused]] FileHandle handle, [[maybe_unused]] std::uint64_t offset,
                    [[maybe_unused]] std::uint64_t length) {
#ifdef SYNC_FILE_RANGE_WRITE
  sync_file_range(Descriptor(handle), static_cast<off_t>(offset), static_cast<off_t>(length),
                  SYNC_FILE_RANGE_WRITE);
#endif
}

void SettleWrittenBack([[maybe_unused]] FileHandle handle, [[maybe_unused]] std::uint64_t offset,
                       [[maybe_unused]] std::uint64_t length) {
#ifdef SYNC_FILE_RANGE_WRITE
  sync_file_range(Descriptor(handle), static_cast<off_t>(offset), static_cast<off_t>(length),
                  SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
  posix_fadvise(Descriptor(handle), static_cast<off_t>(offset), static_cast<off_t>(length),
                POSIX_FADV_DONTNEED);
#endif
}

ErrorCode SetFileLength(FileHandle handle, std::uint64_t length) {
  if (length > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) return EFBIG;
  return CutTo(Descriptor(handle), static_cast<off_t>(length));
}

ErrorCode RemoveFile(const std::string& path) {
  return unlink(path.c_str()) == 0 ? 0 : LastError();
}

ErrorCode CreateNewForWriting(const std::string& path, FileHandle& handle) {
  return OpenLocked(path, O_WRONLY | O_CREAT | O_EXCL, true, handle);
}

ErrorCode MoveIntoPlace(const std::string& from, const std::string& to) {
  return rename(from.c_str(), to.c_str()) == 0 ? 0 : LastError();
}

ErrorCode CheckReplaceable(const std::string& path) {
  struct stat info;
  if (lstat(path.c_str(), &info) != 0) return 0;  // creating beside it tells what is wrong
  if (S_ISDIR(info.st_mode)) return EISDIR;
  if (!S_ISREG(info.st_mode)) return 0;
  // Opening for writing truncates nothing and tells what writing over the file would meet.
  const int fd = OpenToLook(path, O_WRONLY);
  if (fd < 0) return LastError();
  const ErrorCode code = LockWholeFile(fd, true);
  close(fd);
  return code;
}

ErrorCode RemoveFileUnlessHeld(const std::string& path) {
  // A shared lock is refused while a writer holds its exclusive one; reading needs no write
  // permission, so a file the user may not write is judged too.
  const int fd = OpenToLook(path, O_RDONLY);
  if (fd < 0) return LastError();
  struct stat info;
  ErrorCode code = fstat(fd, &info) != 0 ? LastError() : S_ISREG(info.st_mode) ? 0 : EINVAL;
  if (code == 0) code = LockWholeFile(fd, false);
  if (code == 0 && unlink(path.c_str()) != 0) code = LastError();
  close(fd);
  return code;
}

std::vector<std::string> FileNamesStartingWith(const std::string& folder,
                                               const std::string& prefix) {
  std::vector<std::string> names;
  struct CloseFolder {
    void operator()(DIR* folder) const { closedir(folder); }
  };
  const std::unique_ptr<DIR, CloseFolder> listing(opendir(folder.empty() ? "." : folder.c_str()));
  if (!listing) return names;
  while (const dirent* entry = readdir(listing.get())) {
    std::string_view name = entry->d_name;
    if (name.starts_with(prefix)) names.emplace_back(name);
  }
  return names;
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

SameFileMatcher::SameFileMatcher(const std::string& path) : identity_(IdentityOf(path)) {
  std::optional<std::string> full = RealPath(path);
  resolved_ = full ? *full : ResolvedName(path);
}

bool SameFileMatcher::Matches(const std::string& other) {
  if (const std::optional<Identity> identity = IdentityOf(other)) return identity == identity_;
  return ResolvedName(other) == resolved_;
}

std::optional<SameFileMatcher::Identity> SameFileMatcher::IdentityOf(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return std::nullopt;
  return Identity{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

// A name that leads nowhere resolves only as far as its folder; the names of a package share
// theirs, which is resolved once. A missing folder leaves the path made absolute and tidied.
std::string SameFileMatcher::ResolvedName(const std::string& path) {
  const std::string::size_type slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  if (folder != folder_) {  // never empty, so the first name always resolves it
    folder_ = folder;
    resolvedFolder_ = RealPath(folder);
  }
  if (!resolvedFolder_) {
    std::error_code ignored;
    return std::filesystem::absolute(path, ignored).lexically_normal().string();
  }
  const std::string& resolved = *resolvedFolder_;
  return resolved + (resolved.ends_with('/') ? "" : "/") +
         (slash == std::string::npos ? path : path.substr(slash + 1));
}

}  // namespace platform
