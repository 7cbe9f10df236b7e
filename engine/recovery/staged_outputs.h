#pragma once
// Files that are written under temporary names beside their targets and take the targets'
// names only once all of them are whole, so that a failure or a cancel never leaves a half
// file under a target's name. When the work fails, whatever it wrote is removed: the
// temporaries, and the targets already put in place.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "engine/file64.h"

class StagedOutputs {
 public:
  StagedOutputs() = default;
  StagedOutputs(const StagedOutputs&) = delete;
  StagedOutputs& operator=(const StagedOutputs&) = delete;
  // Unless PutInPlace has finished, closes the files and removes what was written.
  ~StagedOutputs();

  // Creates the temporary of a target, open for writing, its errors naming the target; raises
  // the file error of a target that could not be replaced. Returns its index.
  std::size_t Stage(const std::string& target);
  CFile64& File(std::size_t index) { return *files_[index]; }
  // Closes every file and gives it its target's name, in the order staged. The files are left
  // to the system's write-back, as the package files they go with are: a flush would wait for
  // them, and on many file systems for the whole package, to reach the disk.
  void PutInPlace();

 private:
  std::vector<std::string> targets_;
  std::vector<std::string> temporaries_;
  std::vector<std::unique_ptr<CFile64>> files_;
  std::size_t placed_ = 0;  // targets that have their files
  bool finished_ = false;
};
