#include "engine/merge/loaded_module.h"

#include "platform/system_info.h"

bool IsLoadedModule(const std::string& path) { return LoadedModuleTest()(path); }

LoadedModuleTest::LoadedModuleTest() {
  std::string module;
  if (platform::ModuleFilePath(module) == 0 && !module.empty()) module_.emplace(module);
}

bool LoadedModuleTest::operator()(const std::string& path) {
  return !path.empty() && module_ && module_->Matches(path);
}
