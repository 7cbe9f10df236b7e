#include "engine/merge/loaded_module.h"

#include "platform/files.h"
#include "platform/system_info.h"

bool IsLoadedModule(const std::string& path) {
  if (path.empty()) return false;
  std::string module;
  if (platform::ModuleFilePath(module) != 0 || module.empty()) return false;
  return platform::IsSameFile(path, module);
}
