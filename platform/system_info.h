#pragma once
// Facts about the running process and machine.

#include <cstdint>
#include <string>

#include "platform/system_error.h"

namespace platform {

// Physical memory available now, in bytes (GlobalMemoryStatusEx / sysinfo).
std::uint64_t AvailablePhysicalMemory();
// The running program's own file (GetModuleFileNameW / /proc/self/exe).
ErrorCode ModuleFilePath(std::string& path);
// Gives up the rest of this thread's time slice.
void YieldTimeSlice();

}  // namespace platform
