#pragma once
// Work that runs beside the copy on a thread of its own, in the order it was handed over: the
// digests of the data that passes, so that a strong checksum costs the copy little time. The
// tasks touch no window and ask nothing; the operation's thread waits for them where it needs
// their results and stops them before it removes files they may read.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>

class BackgroundWork {
 public:
  BackgroundWork() = default;
  BackgroundWork(const BackgroundWork&) = delete;
  BackgroundWork& operator=(const BackgroundWork&) = delete;
  // Stops, as Stop does.
  ~BackgroundWork();

  // Queues `task` behind the tasks handed before it; the thread starts with the first task.
  // While a failure waits to be taken, the task is dropped.
  void Hand(std::function<void()> task);
  // Waits until no more than `count` tasks are queued or running. A task that raised passes
  // its error on here, and the tasks behind it are dropped.
  void WaitUntilAtMost(std::size_t count);
  // The same, giving up after `timeout`: false then, so that a window can be kept live.
  bool WaitUntilAtMost(std::size_t count, std::chrono::milliseconds timeout);
  // Waits until every task handed over has run.
  void Finish() { WaitUntilAtMost(0); }
  // Drops the queued tasks, tells the running one to stop, and waits for it to end.
  void Stop();
  // For a long task, between its steps: true once Stop was called.
  bool Stopping() const;

 private:
  void RunTasks();
  // With the lock held: what a wait waits for, no more than `count` tasks left or one failed.
  bool DownTo(std::size_t count) const;
  // With the lock held: passes on the error of a failed task, once.
  void TakeFailure();

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::function<void()>> queue_;  // the running task stays at the front
  std::exception_ptr failure_;
  bool stopping_ = false;
  std::thread thread_;
};
