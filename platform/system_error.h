#pragma once
// System error codes are the platform's own: Win32 codes on Windows, errno values on POSIX.
// The few that the program names have one constant per platform.

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

using ErrorCode = std::uint32_t;

#ifdef _WIN32
inline constexpr ErrorCode kErrorFileNotFound = 2;
inline constexpr ErrorCode kErrorPathNotFound = 3;
inline constexpr ErrorCode kErrorAccessDenied = 5;
inline constexpr ErrorCode kErrorNotEnoughMemory = 8;
inline constexpr ErrorCode kErrorInvalidData = 13;
inline constexpr ErrorCode kErrorSharingViolation = 32;
inline constexpr ErrorCode kErrorFileExists = 80;
inline constexpr ErrorCode kErrorDiskFull = 112;
inline constexpr ErrorCode kErrorBufferOverflow = 111;
inline constexpr ErrorCode kErrorInvalidName = 123;
inline constexpr ErrorCode kErrorNotRegularFile = 222;  // ERROR_BAD_FILE_TYPE
inline constexpr ErrorCode kErrorFileTooLarge = 223;    // ERROR_FILE_TOO_LARGE
#else
inline constexpr ErrorCode kErrorFileNotFound = 2;       // ENOENT
inline constexpr ErrorCode kErrorPathNotFound = 20;      // ENOTDIR stands for a missing folder
inline constexpr ErrorCode kErrorAccessDenied = 13;      // EACCES
inline constexpr ErrorCode kErrorNotEnoughMemory = 12;   // ENOMEM
inline constexpr ErrorCode kErrorInvalidData = 74;       // EBADMSG
inline constexpr ErrorCode kErrorSharingViolation = 11;  // EAGAIN: the lock is held
inline constexpr ErrorCode kErrorFileExists = 17;        // EEXIST
inline constexpr ErrorCode kErrorDiskFull = 28;          // ENOSPC
inline constexpr ErrorCode kErrorBufferOverflow = 36;    // ENAMETOOLONG
inline constexpr ErrorCode kErrorInvalidName = 22;       // EINVAL
inline constexpr ErrorCode kErrorNotRegularFile = 19;    // ENODEV
inline constexpr ErrorCode kErrorFileTooLarge = 27;      // EFBIG
#endif

// The calling thread's last system error (GetLastError / errno).
ErrorCode LastSystemError();
void SetLastSystemError(ErrorCode code);

// File-error cause (0 to 16) for a system error code: one table per platform.
int FileErrorCauseFor(ErrorCode code);

// The system's own text for a code (FormatMessageW / strerror), without a trailing line
// break; nothing when the system has no text for it.
std::optional<std::string> SystemErrorText(ErrorCode code);

}  // namespace platform
