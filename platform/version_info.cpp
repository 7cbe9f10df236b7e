#include "platform/version_info.h"

#include "platform/system_info.h"

namespace platform {

ErrorCode ReadOwnVersionInfo(std::string& programPath, VersionInfo& info) {
  programPath.clear();
  if (ErrorCode error = ModuleFilePath(programPath)) {
    programPath.clear();
    return error;
  }
  return ReadVersionInfo(programPath, info);
}

}  // namespace platform
