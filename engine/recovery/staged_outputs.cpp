#include "engine/recovery/staged_outputs.h"

#include "engine/merge/temporary_file.h"
#include "platform/files.h"

StagedOutputs::~StagedOutputs() {
  if (finished_) return;
  for (const std::unique_ptr<CFile64>& file : files_) {
    try {
      file->Close();
    } catch (...) {
      // The file is removed anyway.
    }
  }
  for (std::size_t i = 0; i < targets_.size(); ++i) {
    DeleteFileByName(i < placed_ ? targets_[i] : temporaries_[i]);
  }
}

std::size_t StagedOutputs::Stage(const std::string& target) {
  RaiseSystemFileError(platform::CheckReplaceable(target), target);
  RemoveStaleTemporaries(target);
  auto file = std::make_unique<CFile64>();
  std::string temporary = CreateTemporaryFor(target, *file);
  targets_.push_back(target);
  temporaries_.push_back(std::move(temporary));
  files_.push_back(std::move(file));
  return targets_.size() - 1;
}

void StagedOutputs::PutInPlace() {
  for (const std::unique_ptr<CFile64>& file : files_) file->Close();
  for (; placed_ < targets_.size(); ++placed_) {
    RaiseSystemFileError(platform::MoveIntoPlace(temporaries_[placed_], targets_[placed_]),
                         targets_[placed_]);
  }
  finished_ = true;
}
