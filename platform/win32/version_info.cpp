#include "platform/version_info.h"

#include <cwchar>
#include <new>
#include <vector>

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

}  // namespace

ErrorCode ReadVersionInfo(const std::string& programPath, VersionInfo& info) {
  std::wstring path = Widen(programPath);
  DWORD unused = 0;
  SetLastError(0);
  DWORD size = GetFileVersionInfoSizeW(path.c_str(), &unused);
  if (size == 0) return LastErrorOr(ERROR_RESOURCE_DATA_NOT_FOUND);
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
