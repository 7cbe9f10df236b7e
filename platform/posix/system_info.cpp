#include "platform/system_info.h"

#include <sched.h>
#include <sys/sysinfo.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace platform {

std::uint64_t AvailablePhysicalMemory() {
  struct sysinfo info {};
  if (sysinfo(&info) != 0) return 0;
  // Buffers are handed back on demand, as Windows counts its standby pages as available.
  return (static_cast<std::uint64_t>(info.freeram) + info.bufferram) * info.mem_unit;
}

ErrorCode ModuleFilePath(std::string& path) {
  std::vector<char> buffer(256);
  for (;;) {
    ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) return static_cast<ErrorCode>(errno);
    if (static_cast<std::size_t>(length) < buffer.size()) {
      path.assign(buffer.data(), static_cast<std::size_t>(length));
      return 0;
    }
    buffer.resize(buffer.size() * 2);
  }
}

void YieldTimeSlice() { sched_yield(); }

}  // namespace platform
