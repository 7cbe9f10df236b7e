#include "engine/stub_system.h"

#include "base/exceptions.h"
#include "engine/file64.h"
#include "platform/program_system.h"
#include "platform/system_info.h"

namespace {

std::optional<std::string> ProgramFileSystem(const std::string& path) {
  CFile64 file;
  file.Open(path, false);
  const platform::ReadAtFunction readAt = [&file](std::uint64_t offset,
                                                  std::span<unsigned char> buffer) {
    file.SeekToBegin(offset);
    return file.Read(buffer.data(), static_cast<std::uint32_t>(buffer.size())) == buffer.size();
  };
  return platform::ProgramSystemName(file.Length(), readAt);
}

}  // namespace

std::optional<std::string> MasterStubSystem(const std::string& masterPath) {
  return ProgramFileSystem(masterPath);
}

std::optional<std::string> RunningProgramSystem() {
  std::string path;
  if (platform::ModuleFilePath(path) != 0) return std::nullopt;
  try {
    return ProgramFileSystem(path);
  } catch (const CException&) {
    return std::nullopt;
  }
}
