#pragma once
// The recovery digests of a package's files, taken on a thread of their own while the package
// is still being written: each file is read back, from the system's cache as a rule, as soon as
// it is whole, several files side by side, so that the recovery files wait for little more than
// the forming of their recovery slices.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/background_work.h"
#include "engine/recovery/par2_format.h"

class Par2DigestQueue {
 public:
  Par2DigestQueue(std::uint64_t sliceSize, std::size_t fileCount)
      : sliceSize_(sliceSize), digests_(fileCount) {}
  Par2DigestQueue(const Par2DigestQueue&) = delete;
  Par2DigestQueue& operator=(const Par2DigestQueue&) = delete;
  ~Par2DigestQueue() { Stop(); }

  // File `index` is whole at `path`. A file handed again, written anew, is digested again.
  void Hand(std::size_t index, std::string path);
  // Waits until no more than `count` of the files handed are still to be read, giving up after
  // `timeout`: false then, so that a window can be kept live. After a failure none is; Finish
  // says why.
  bool WaitUntilAtMost(std::size_t count, std::chrono::milliseconds timeout);
  // Once every file has been handed: waits for the digests and returns them by index, nothing
  // for a file never handed. Passes on the first failure.
  std::vector<std::optional<Par2File>> Finish();
  // Drops what is left and waits for the thread; a file's digest stays with it.
  void Stop();

 private:
  void DigestHandedFiles();
  bool ReadyWithLockHeld() const { return !handed_.empty() || finishing_ || stopping_; }

  const std::uint64_t sliceSize_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::pair<std::size_t, std::string>> handed_;  // not yet taken by the thread
  std::size_t unread_ = 0;                                  // handed and not yet read whole
  bool finishing_ = false;
  bool stopping_ = false;
  bool failed_ = false;  // the thread has ended on a failure: nothing handed will be read
  bool started_ = false;
  std::vector<std::optional<Par2File>> digests_;
  // Last, so that it stops before what its work uses goes.
  BackgroundWork work_;
};
