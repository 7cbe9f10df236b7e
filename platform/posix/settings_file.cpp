#include "platform/posix/settings_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/descriptor.h"

namespace platform {

namespace {

SettingsFileFault g_fault = SettingsFileFault::none;

// Symbolic links followed as the system follows them.
constexpr int kMaxLinks = 40;

ErrorCode LastErrno() { return static_cast<ErrorCode>(errno); }

FileStamp StampOf(const struct stat& status) {
  return {status.st_dev, status.st_ino, status.st_size, status.st_mtim, status.st_ctim};
}

bool SameTime(const timespec& a, const timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

ErrorCode WriteAll(int fd, std::string_view bytes) {
  if (g_fault == SettingsFileFault::write) {
    // Half of the new copy reaches the disk, then the disk is full.
    bytes = bytes.substr(0, bytes.size() / 2);
    if (write(fd, bytes.data(), bytes.size()) < 0) return LastErrno();
    return ENOSPC;
  }
  while (!bytes.empty()) {
    ssize_t done = write(fd, bytes.data(), bytes.size());
    if (done < 0 && errno == EINTR) continue;
    if (done < 0) return LastErrno();
    bytes.remove_prefix(static_cast<std::size_t>(done));
  }
  return 0;
}

std::string FolderOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The file the path leads to through any symbolic links, whether that file exists or not.
ErrorCode FollowLinks(std::string path, std::string& target) {
  for (int followed = 0; followed <= kMaxLinks; ++followed) {
    struct stat status;
    if (lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) {
      target = std::move(path);
      return 0;
    }
    std::string link(static_cast<std::size_t>(status.st_size) + 1, '\0');
    ssize_t length = readlink(path.c_str(), link.data(), link.size());
    if (length < 0) return LastErrno();
    link.resize(static_cast<std::size_t>(length));
    path = link.starts_with('/') ? link : FolderOf(path) + "/" + link;
  }
  return ELOOP;
}

// The permissions (and, for the superuser, the owner) of the file being replaced.
void KeepAccess(int fd, const std::string& target) {
  struct stat status;
  if (stat(target.c_str(), &status) != 0) return;
  fchmod(fd, status.st_mode & 07777);
  // A file replaced by the superuser stays its owner's.
  if (geteuid() == 0 && fchown(fd, status.st_uid, status.st_gid) != 0) return;
}

}  // namespace

bool FileStamp::operator==(const FileStamp& other) const {
  return device == other.device && inode == other.inode && size == other.size &&
         SameTime(modified, other.modified) && SameTime(changed, other.changed);
}

ErrorCode StampSettingsFile(const std::string& path, FileStamp& stamp) {
  struct stat status;
  if (stat(path.c_str(), &status) != 0) return LastErrno();
  stamp = StampOf(status);
  return 0;
}

ErrorCode ReadSettingsFile(const std::string& path, std::string& bytes, FileStamp& stamp) {
  bytes.clear();
  Descriptor file(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (file.Get() < 0) return LastErrno();
  struct stat status;
  if (fstat(file.Get(), &status) != 0) return LastErrno();
  if (S_ISDIR(status.st_mode)) return EISDIR;
  if (!S_ISREG(status.st_mode)) return kSettingsFileNotRegular;
  if (static_cast<std::size_t>(status.st_size) > kSettingsFileLimit) return kSettingsFileTooLarge;
  stamp = StampOf(status);
  bytes.resize(kSettingsFileLimit + 1);
  std::size_t filled = 0;
  while (filled < bytes.size()) {
    ssize_t got = read(file.Get(), bytes.data() + filled, bytes.size() - filled);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return LastErrno();
    if (got == 0) break;
    filled += static_cast<std::size_t>(got);
  }
  // It grew while it was read.
  if (filled > kSettingsFileLimit) return kSettingsFileTooLarge;
  bytes.resize(filled);
  return 0;
}

ErrorCode ReplaceSettingsFile(const std::string& path, std::string_view contents) {
  std::string target;
  if (ErrorCode code = FollowLinks(path, target)) return code;
  std::string temporary = target + ".XXXXXX";
  int fd = mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return LastErrno();
  KeepAccess(fd, target);
  ErrorCode code = WriteAll(fd, contents);
  if (code == 0 && fsync(fd) != 0) code = LastErrno();
  if (close(fd) != 0 && code == 0) code = LastErrno();
  if (code == 0 && g_fault == SettingsFileFault::rename) code = EIO;
  if (code == 0 && rename(temporary.c_str(), target.c_str()) != 0) code = LastErrno();
  if (code != 0) {
    unlink(temporary.c_str());
    return code;
  }
  // The rename itself is made durable through the folder.
  Descriptor folder(open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.Get() >= 0) fsync(folder.Get());
  return 0;
}

void InjectSettingsFileFault(SettingsFileFault fault) { g_fault = fault; }

}  // namespace platform
