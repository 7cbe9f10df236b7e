#include "engine/recovery/par2_digest_queue.h"

#include <memory>

#include "base/path_text.h"
#include "engine/file64.h"
#include "engine/recovery/par2_file_digest.h"

namespace {

// Raised inside the digests once the queue is stopped.
struct Stopped {};

}  // namespace

void Par2DigestQueue::Hand(std::size_t index, std::string path) {
  {
    std::lock_guard lock(mutex_);
    if (failed_) return;
    handed_.emplace_back(index, std::move(path));
    ++unread_;
    changed_.notify_all();
    if (started_) return;
    started_ = true;
  }
  work_.Hand([this] {
    try {
      DigestHandedFiles();
    } catch (const Stopped&) {
    } catch (...) {
      // Nothing handed later would be read: no one waits for it.
      std::lock_guard lock(mutex_);
      failed_ = true;
      handed_.clear();
      unread_ = 0;
      changed_.notify_all();
      throw;
    }
  });
}

void Par2DigestQueue::DigestHandedFiles() {
  const NextPar2Digest next = [this]() -> std::optional<Par2DigestJob> {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return ReadyWithLockHeld(); });
    if (stopping_) throw Stopped{};
    if (handed_.empty()) return std::nullopt;
    const std::size_t index = handed_.front().first;
    const std::string path = std::move(handed_.front().second);
    handed_.pop_front();
    lock.unlock();
    auto input = std::make_unique<CFile64>();
    input->Open(path, false);
    return Par2DigestJob{std::move(input), UINT64_MAX,
                         [this, index, name = FileNamePart(path)](Par2File digest) {
                           digest.name = name;
                           digest.id = Par2FileId(digest.hash16k, digest.length, digest.name);
                           std::lock_guard lock(mutex_);
                           digests_[index] = std::move(digest);
                           --unread_;
                           changed_.notify_all();
                         }};
  };
  const auto read = [this](std::uint64_t) {
    std::lock_guard lock(mutex_);
    if (stopping_) throw Stopped{};
  };
  const Par2DigestReady ready = [this] {
    std::lock_guard lock(mutex_);
    return ReadyWithLockHeld();
  };
  DigestPar2Files(sliceSize_, next, read, ready);
}

bool Par2DigestQueue::WaitUntilAtMost(std::size_t count, std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return unread_ <= count; });
}

std::vector<std::optional<Par2File>> Par2DigestQueue::Finish() {
  {
    std::lock_guard lock(mutex_);
    finishing_ = true;
    changed_.notify_all();
  }
  work_.Finish();
  std::lock_guard lock(mutex_);
  return digests_;
}

void Par2DigestQueue::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    handed_.clear();
    changed_.notify_all();
  }
  work_.Stop();
}
