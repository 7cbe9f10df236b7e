#include "platform/version_info.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/elf_version_block.h"
#include "platform/pe_version_resource.h"
#include "platform/posix/descriptor.h"

namespace platform {
namespace {

// False with `error` set when the system fails, with `error` 0 when the file ends early.
bool ReadFully(int fd, std::uint64_t offset, std::span<unsigned char> buffer, int& error) {
  std::size_t done = 0;
  while (done < buffer.size()) {
    ssize_t count =
        pread(fd, buffer.data() + done, buffer.size() - done, static_cast<off_t>(offset + done));
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) error = errno;
    if (count <= 0) return false;
    done += static_cast<std::size_t>(count);
  }
  return true;
}

ErrorCode ErrorFor(PeVersionResult result) {
  switch (result) {
    case PeVersionResult::found:
      return 0;
    case PeVersionResult::noResource:
      return ENODATA;
    case PeVersionResult::notPe:
    case PeVersionResult::damaged:
      break;
  }
  return ENOEXEC;
}

ErrorCode ErrorFor(ElfVersionResult result) {
  switch (result) {
    case ElfVersionResult::found:
      return 0;
    case ElfVersionResult::noBlock:
      return ENODATA;  // "No data available"
    case ElfVersionResult::notElf:
    case ElfVersionResult::damaged:
      break;
  }
  return ENOEXEC;  // "Exec format error"
}

}  // namespace

ErrorCode ReadVersionInfo(const std::string& programPath, VersionInfo& info) {
  // Non-blocking, so a named pipe in place of the program cannot hold the caller.
  Descriptor file(OpenResumed(programPath, O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (file.Get() < 0) return static_cast<ErrorCode>(errno);
  struct stat status;
  if (fstat(file.Get(), &status) != 0) return static_cast<ErrorCode>(errno);
  if (S_ISDIR(status.st_mode)) return EISDIR;
  if (!S_ISREG(status.st_mode)) return ENOEXEC;

  int readError = 0;
  const ReadAtFunction readAt = [&](std::uint64_t offset, std::span<unsigned char> buffer) {
    return ReadFully(file.Get(), offset, buffer, readError);
  };
  const auto size = static_cast<std::uint64_t>(status.st_size);
  const ElfVersionResult result = ReadElfVersionBlock(size, readAt, info);
  if (readError != 0) return static_cast<ErrorCode>(readError);
  if (result != ElfVersionResult::notElf) return ErrorFor(result);
  // A Windows lite program, given to the split as the stub of a package for Windows.
  const PeVersionResult windowsResult = ReadPeVersionResource(size, readAt, info);
  if (readError != 0) return static_cast<ErrorCode>(readError);
  return ErrorFor(windowsResult);
}

}  // namespace platform
