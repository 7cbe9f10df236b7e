#include "platform/volumes.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

namespace platform {
namespace {

namespace fs = std::filesystem;

std::string FolderOrCurrent(const std::string& folder) { return folder.empty() ? "." : folder; }

std::string ParentFolder(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The device of the path or, when it does not exist yet, of its nearest existing ancestor.
std::optional<dev_t> DeviceOfNearestExisting(std::string path) {
  for (;;) {
    struct stat status;
    if (stat(path.c_str(), &status) == 0) return status.st_dev;
    if (errno != ENOENT && errno != ENOTDIR) return std::nullopt;
    std::string parent = ParentFolder(path);
    if (parent == path) return std::nullopt;
    path = std::move(parent);
  }
}

std::string DeviceNumbers(dev_t device) {
  return std::to_string(major(device)) + ":" + std::to_string(minor(device));
}

fs::path SysfsBlockEntry(dev_t device) { return "/sys/dev/block/" + DeviceNumbers(device); }

// File systems such as btrfs, or FUSE file systems on a disk, give their files a device number
// of their own; the disk is then the mount's source, when that names a block device.
std::optional<dev_t> MountSourceDevice(dev_t device) {
  std::ifstream mounts("/proc/self/mountinfo");
  const std::string wanted = DeviceNumbers(device);
  for (std::string line; std::getline(mounts, line);) {
    std::istringstream fields(line);
    std::string id, parent, numbers;
    fields >> id >> parent >> numbers;
    std::size_t separator = line.find(" - ");
    if (numbers != wanted || separator == std::string::npos) continue;
    std::istringstream tail(line.substr(separator + 3));
    std::string type, source;
    tail >> type >> source;
    struct stat status;
    if (source.starts_with("/") && stat(source.c_str(), &status) == 0 && S_ISBLK(status.st_mode)) {
      return status.st_rdev;
    }
  }
  return std::nullopt;
}

std::optional<dev_t> BackingBlockDevice(dev_t device) {
  std::error_code error;
  if (fs::exists(SysfsBlockEntry(device), error)) return device;
  return MountSourceDevice(device);
}

std::string FirstWordOf(const fs::path& file) {
  std::ifstream stream(file);
  std::string word;
  stream >> word;
  return word;
}

// A disk the kernel does not mark removable and that is not memory. SD cards in built-in readers
// are not marked removable by their driver, so their card type is asked too.
bool IsFixedDisk(dev_t device) {
  std::error_code error;
  fs::path disk = fs::canonical(SysfsBlockEntry(device), error);
  if (error) return false;
  if (fs::exists(disk / "partition", error)) disk = disk.parent_path();
  std::string name = disk.filename().string();
  if (name.starts_with("ram") || name.starts_with("zram")) return false;
  if (name.starts_with("mmcblk") && FirstWordOf(disk / "device" / "type") == "SD") return false;
  return FirstWordOf(disk / "removable") == "0";
}

}  // namespace

std::optional<std::uint64_t> FreeBytesAvailable(const std::string& folder) {
  struct statvfs volume;
  int result;
  do {
    result = statvfs(FolderOrCurrent(folder).c_str(), &volume);
  } while (result != 0 && errno == EINTR);
  if (result != 0) return std::nullopt;
  std::uint64_t unit = volume.f_frsize != 0 ? volume.f_frsize : volume.f_bsize;
  std::uint64_t blocks = volume.f_bavail;
  if (unit != 0 && blocks > std::numeric_limits<std::uint64_t>::max() / unit) {
    return std::numeric_limits<std::uint64_t>::max();
  }
  return blocks * unit;
}

bool IsOnFixedDrive(const std::string& folder) {
  std::optional<dev_t> device = DeviceOfNearestExisting(FolderOrCurrent(folder));
  if (!device) return false;
  std::optional<dev_t> disk = BackingBlockDevice(*device);
  return disk && IsFixedDisk(*disk);
}

}  // namespace platform
