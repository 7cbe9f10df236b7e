#include "platform/version_info.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/elf_version_block.h"
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
  Descriptor file(open(programPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (file.Get() < 0) return static_cast<ErrorCode>(errno);
  struct stat status;
  if (fstat(file.Get(), &status) != 0) return static_cast<ErrorCode>(errno);
  if (S_ISDIR(status.st_mode)) return EISDIR;
  if (!S_ISREG(status.st_mode)) return ENOEXEC;

  int readError = 0;
  ElfVersionResult result = ReadElfVersionBlock(
      static_cast<std::uint64_t>(status.st_size),
      [&](std::uint64_t offset, std::span<unsigned char> buffer) {
        return ReadFully(file.Get(), offset, buffer, readError);
      },
      info);
  if (readError != 0) return static_cast<ErrorCode>(readError);
  return ErrorFor(result);
}

}  // namespace platform
