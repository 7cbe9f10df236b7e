#include "platform/posix/settings_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <memory>

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

std::string NameOf(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// The temporary of a replacement: ".NAME.partwell-" and six letters and digits, beside the file.
std::string TemporaryPrefix(const std::string& target) {
  return FolderOf(target) + "/." + NameOf(target) + ".partwell-";
}

// A replacement that was killed before its rename left its temporary behind. The caller holds
// the folder's lock, so no temporary of a replacement under way is among them.
void RemoveStaleTemporaries(const std::string& target) {
  const std::string prefix = NameOf(TemporaryPrefix(target));
  struct CloseFolder {
    void operator()(DIR* folder) const { closedir(folder); }
  };
  const std::string folder = FolderOf(target);
  const std::unique_ptr<DIR, CloseFolder> listing(opendir(folder.c_str()));
  if (!listing) return;
  while (const dirent* entry = readdir(listing.get())) {
    const std::string_view name = entry->d_name;
    if (!name.starts_with(prefix) || name.size() != prefix.size() + 6) continue;
    const std::string_view suffix = name.substr(prefix.size());
    if (std::ranges::all_of(suffix,
                            [](char c) { return std::isalnum(static_cast<unsigned char>(c)); })) {
      unlink((folder + "/" + std::string(name)).c_str());
    }
  }
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
  Descriptor file(OpenResumed(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC));
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
  RemoveStaleTemporaries(target);
  std::string temporary;
  int fd = -1;
  do {
    temporary = TemporaryPrefix(target) + "XXXXXX";
    fd = mkostemp(temporary.data(), O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return LastErrno();
  KeepAccess(fd, target);
  ErrorCode code = WriteAll(fd, contents);
  if (code == 0 && fsync(fd) != 0) code = LastErrno();
  // After EINTR the descriptor is gone on Linux, and the data were flushed before.
  if (close(fd) != 0 && errno != EINTR && code == 0) code = LastErrno();
  if (code == 0 && g_fault == SettingsFileFault::rename) code = EIO;
  if (code == 0 && rename(temporary.c_str(), target.c_str()) != 0) code = LastErrno();
  if (code != 0) {
    unlink(temporary.c_str());
    return code;
  }
  // The rename itself is made durable through the folder.
  Descriptor folder(OpenResumed(FolderOf(target), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.Get() >= 0) fsync(folder.Get());
  return 0;
}

void InjectSettingsFileFault(SettingsFileFault fault) { g_fault = fault; }

}  // namespace platform
