#include "platform/system_info.h"

#include "platform/win32/windows_support.h"

namespace platform {

std::uint64_t AvailablePhysicalMemory() {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  return GlobalMemoryStatusEx(&status) ? status.ullAvailPhys : 0;
}

ErrorCode ModuleFilePath(std::string& path) {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    DWORD size = static_cast<DWORD>(buffer.size());
    DWORD length = GetModuleFileNameW(nullptr, buffer.data(), size);
    if (length == 0) return GetLastError();
    // A name that fills the whole buffer may have been cut.
    if (length < size) {
      buffer.resize(length);
      path = Narrow(buffer);
      return 0;
    }
    buffer.resize(buffer.size() * 2);
  }
}

void YieldTimeSlice() { Sleep(0); }

}  // namespace platform
