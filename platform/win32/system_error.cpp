#include "platform/system_error.h"

#include "platform/file_error_causes.h"

#include "platform/win32/windows_support.h"

namespace platform {
namespace {

// The framework's standard mapping of Win32 codes to file-error causes.
const CauseOfCodes kCauses[] = {
    {2, {2, 6, 18, 107}},
    {3, {3, 15, 17, 34, 52, 53, 55, 67, 70, 85, 111, 123, 124, 125, 144, 154, 161, 206, 208, 267}},
    {4, {4, 36, 68, 113}},
    {5, {5, 12, 19, 29, 54, 58, 64, 65, 71, 80, 82, 86, 170, 183, 999}},
    {6, {11, 26, 60, 66, 114, 182, 191, 193}},
    {7, {16, 145}},
    {8, {62}},
    {9, {24, 25, 27, 30, 131, 132}},
    {10, {20, 21, 22, 23, 57, 59, 88, 117, 995, 996, 997}},
    {11, {32}},
    {12, {33, 108, 167}},
    {13, {39, 112}},
    {14, {38}},
    // Beyond the framework's causes: a file larger than its file system holds, and a path
    // that names a device or a pipe.
    {15, {kErrorFileTooLarge}},
    {16, {kErrorNotRegularFile}},
};

}  // namespace

std::span<const CauseOfCodes> FileErrorCauseTable() { return kCauses; }

ErrorCode LastSystemError() { return GetLastError(); }

void SetLastSystemError(ErrorCode code) { SetLastError(code); }

std::optional<std::string> SystemErrorText(ErrorCode code) {
  LPWSTR buffer = nullptr;
  DWORD flags =
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER;
  DWORD length = FormatMessageW(flags, nullptr, code, LANG_USER_DEFAULT,
                                reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
  if (length == 0 || buffer == nullptr) return std::nullopt;
  std::wstring text(buffer, length);
  LocalFree(buffer);
  // System texts end in a line break, which would leave a blank line in a message box.
  if (text.size() >= 2 && text[text.size() - 2] == L'\r') text.resize(text.size() - 2);
  return Narrow(text);
}

}  // namespace platform
