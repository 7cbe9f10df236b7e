#include "platform/volumes.h"

#include <algorithm>
#include <cwchar>

#include "platform/files.h"
#include "platform/win32/windows_support.h"

namespace platform {
namespace {

// The "\\?\" form of a long path takes no '/' separators, so they are turned first.
std::wstring FolderOrCurrent(std::string folder) {
  if (folder.empty()) return L".";
  std::replace(folder.begin(), folder.end(), '/', '\\');
  return Widen(ExtendedLengthPath(folder));
}

// The root of the volume that holds the path ("C:\", "\\server\share\", or a mounted folder);
// GetVolumePathNameW answers for paths that do not exist yet as well.
std::wstring VolumeRoot(const std::wstring& path) {
  std::wstring root(path.size() + MAX_PATH, L'\0');
  if (!GetVolumePathNameW(path.c_str(), root.data(), static_cast<DWORD>(root.size()))) {
    return {};
  }
  root.resize(wcslen(root.c_str()));
  return root;
}

}  // namespace

std::optional<std::uint64_t> FreeBytesAvailable(const std::string& folder) {
  ULARGE_INTEGER available;
  if (!GetDiskFreeSpaceExW(FolderOrCurrent(folder).c_str(), &available, nullptr, nullptr)) {
    return std::nullopt;
  }
  return available.QuadPart;
}

bool IsOnFixedDrive(const std::string& folder) {
  std::wstring root = VolumeRoot(FolderOrCurrent(folder));
  return !root.empty() && GetDriveTypeW(root.c_str()) == DRIVE_FIXED;
}

}  // namespace platform
