#include "engine/background_work.h"

BackgroundWork::~BackgroundWork() { Stop(); }

void BackgroundWork::Hand(std::function<void()> task) {
  std::lock_guard lock(mutex_);
  stopping_ = false;
  // Until the operation has taken the error, every later task would build on missing work.
  if (failure_) return;
  queue_.push_back(std::move(task));
  if (!thread_.joinable()) thread_ = std::thread([this] { RunTasks(); });
  changed_.notify_all();
}

void BackgroundWork::WaitUntilAtMost(std::size_t count) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return DownTo(count); });
  TakeFailure();
}

bool BackgroundWork::WaitUntilAtMost(std::size_t count, std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  if (!changed_.wait_for(lock, timeout, [&] { return DownTo(count); })) return false;
  TakeFailure();
  return true;
}

bool BackgroundWork::DownTo(std::size_t count) const { return queue_.size() <= count || failure_; }

// The failed task and the ones behind it left the queue together.
void BackgroundWork::TakeFailure() {
  if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
}

void BackgroundWork::Stop() {
  {
    std::lock_guard lock(mutex_);
    if (!thread_.joinable()) return;
    stopping_ = true;
    changed_.notify_all();
  }
  thread_.join();
  thread_ = std::thread();
  queue_.clear();
  failure_ = nullptr;
}

bool BackgroundWork::Stopping() const {
  std::lock_guard lock(mutex_);
  return stopping_;
}

// Runs until stopped; a failed task drops the queue and waits for the operation's thread to
// take its error.
void BackgroundWork::RunTasks() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
    if (stopping_) return;
    std::function<void()>& task = queue_.front();
    lock.unlock();
    std::exception_ptr failure;
    try {
      task();
    } catch (...) {
      failure = std::current_exception();
    }
    lock.lock();
    if (failure) {
      failure_ = failure;
      queue_.clear();
    } else if (!queue_.empty()) {
      queue_.pop_front();
    }
    changed_.notify_all();
  }
}
