#pragma once
// Whether a path is the running program's own file: a self-extracting master that merges
// itself reads its package through that file, so the package must outlive the merge.

#include <optional>
#include <string>

#include "platform/files.h"

// True when the path names the file of the running program, however it is spelled (relative
// parts, links). False when the program's own path cannot be had.
bool IsLoadedModule(const std::string& path);

// The same for many paths, with the program's own file looked up once.
class LoadedModuleTest {
 public:
  LoadedModuleTest();
  bool operator()(const std::string& path);

 private:
  std::optional<platform::SameFileMatcher> module_;
};
