#include "platform/system_error.h"

#include "platform/file_error_causes.h"

#include <cerrno>
#include <cstring>
#include <string_view>

namespace platform {
namespace {

// errno values grouped as Windows groups its codes: a missing folder on the way is a bad
// path (ENOTDIR, which the file layer reports for it), a held lock a sharing violation.
const CauseOfCodes kCauses[] = {
    {2, {ENOENT}},
    {3, {ENOTDIR, ENAMETOOLONG, ELOOP, EINVAL}},
    {4, {EMFILE, ENFILE}},
    {5, {EACCES, EPERM, EROFS, EISDIR, EEXIST, EBUSY}},
    {6, {EBADF}},
    {7, {ENOTEMPTY}},
    {9, {ESPIPE, EOVERFLOW}},
    {10, {EIO, ENOMEDIUM}},
    {11, {EAGAIN, ETXTBSY}},
    {12, {EDEADLK, ENOLCK}},
    {13, {ENOSPC, EDQUOT}},
    // Past the file system's largest file or the process's file size limit (ulimit -f).
    {15, {EFBIG}},
    // A device, pipe or socket where a file is expected.
    {16, {ENODEV, ENXIO}},
};

// strerror_r comes in a GNU form (returns the text) and an XSI form (fills the buffer).
[[maybe_unused]] const char* ErrorTextOf(char* result, const char*) { return result; }
[[maybe_unused]] const char* ErrorTextOf(int result, const char* buffer) {
  return result == 0 ? buffer : nullptr;
}

// The C library names codes it does not know "Unknown error N", in the user's language.
bool IsKnownCode(ErrorCode code, std::string_view text) {
#if defined(__GLIBC__) && (__GLIBC__ > 2 || __GLIBC_MINOR__ >= 32)
  (void)text;
  return strerrordesc_np(static_cast<int>(code)) != nullptr;
#else
  (void)code;
  return !text.starts_with("Unknown error");
#endif
}

}  // namespace

std::span<const CauseOfCodes> FileErrorCauseTable() { return kCauses; }

ErrorCode LastSystemError() { return static_cast<ErrorCode>(errno); }

void SetLastSystemError(ErrorCode code) { errno = static_cast<int>(code); }

std::optional<std::string> SystemErrorText(ErrorCode code) {
  char buffer[256] = {};
  const char* text = ErrorTextOf(strerror_r(static_cast<int>(code), buffer, sizeof buffer), buffer);
  if (text == nullptr || *text == '\0' || !IsKnownCode(code, text)) return std::nullopt;
  return std::string(text);
}

}  // namespace platform
