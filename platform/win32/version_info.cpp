#include "platform/version_info.h"

#include <cwchar>
#include <new>
#include <vector>

#include "platform/elf_version_block.h"
#include "platform/files.h"
#include "platform/win32/windows_support.h"

namespace platform {
namespace {

// The code a failed call left, or `fallback` when it left none.
ErrorCode LastErrorOr(DWORD fallback) {
  DWORD error = GetLastError();
  return error != 0 ? error : fallback;
}

std::optional<FixedVersion> QueryFixedVersion(const void* data) {
  void* value = nullptr;
  UINT size = 0;
  if (!VerQueryValueW(data, L"\\", &value, &size) || size < sizeof(VS_FIXEDFILEINFO)) {
    return std::nullopt;
  }
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
  if (fixed->dwSignature != 0xFEEF04BD) return std::nullopt;
  return FixedVersion{fixed->dwProductVersionMS, fixed->dwProductVersionLS, fixed->dwFileVersionMS,
                      fixed->dwFileVersionLS};
}

std::string QueryString(const void* data, const wchar_t* name) {
  std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(data, key.c_str(), &value, &length) || value == nullptr) return {};
  const auto* text = static_cast<const wchar_t*>(value);
  // The stored length may count the terminator; the text ends at the first zero either way.
  return Narrow(std::wstring_view(text, wcsnlen(text, length)));
}

// A file open for reading, closed on every way out.
class ReadOnlyFile {
 public:
  explicit ReadOnlyFile(const std::string& path) { error_ = OpenForReading(path, handle_); }
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
  ~ReadOnlyFile() {
    if (handle_ != kInvalidFileHandle) CloseFileHandle(handle_);
  }
  bool IsOpen() const { return error_ == 0; }
  FileHandle Handle() const { return handle_; }

 private:
  FileHandle handle_ = kInvalidFileHandle;
  ErrorCode error_ = 0;
};

bool ReadAt(FileHandle handle, std::uint64_t offset, std::span<unsigned char> buffer) {
  std::uint64_t position = 0;
  std::uint32_t read = 0;
  return SeekTo(handle, static_cast<std::int64_t>(offset), SeekOrigin::Begin, position) == 0 &&
         ReadBytes(handle, buffer.data(), static_cast<std::uint32_t>(buffer.size()), read) == 0 &&
         read == buffer.size();
}

// A Linux lite program, given to the split as the stub of a package for Linux, carries its
// version data in an ELF section that Windows does not read.
bool ReadElfVersionInfo(const std::string& programPath, VersionInfo& info) {
  const ReadOnlyFile file(programPath);
  std::uint64_t size = 0;
  if (!file.IsOpen() || FileLength(file.Handle(), size) != 0) return false;
  const ReadAtFunction readAt = [&file](std::uint64_t offset, std::span<unsigned char> buffer) {
    return ReadAt(file.Handle(), offset, buffer);
  };
  return ReadElfVersionBlock(size, readAt, info) == ElfVersionResult::found;
}

}  // namespace

ErrorCode ReadVersionInfo(const std::string& programPath, VersionInfo& info) {
  std::wstring path = Widen(programPath);
  DWORD unused = 0;
  SetLastError(0);
  DWORD size = GetFileVersionInfoSizeW(path.c_str(), &unused);
  if (size == 0) {
    const ErrorCode error = LastErrorOr(ERROR_RESOURCE_DATA_NOT_FOUND);
    return ReadElfVersionInfo(programPath, info) ? 0 : error;
  }
  std::vector<unsigned char> data;
  try {
    data.resize(size);
  } catch (const std::bad_alloc&) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
  if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data())) {
    return LastErrorOr(ERROR_RESOURCE_DATA_NOT_FOUND);
  }
  VersionInfo read;
  read.fixed = QueryFixedVersion(data.data());
  read.companyName = QueryString(data.data(), L"CompanyName");
  read.productName = QueryString(data.data(), L"ProductName");
  read.productVersion = QueryString(data.data(), L"ProductVersion");
  read.fileDescription = QueryString(data.data(), L"FileDescription");
  read.fileVersion = QueryString(data.data(), L"FileVersion");
  read.legalCopyright = QueryString(data.data(), L"LegalCopyright");
  read.specialBuild = QueryString(data.data(), L"SpecialBuild");
  info = std::move(read);
  return 0;
}

}  // namespace platform
