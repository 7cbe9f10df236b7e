#pragma once
// Files worked through on two threads at once, the operation's and one of its own, each thread
// taking the next file as soon as it is free: the digests of a set's files cost a whole core
// each, and files of a package are independent of each other.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "engine/background_work.h"

class SharedFileWork {
 public:
  // Told the size of each run read, as it is read.
  using Read = std::function<void(std::uint64_t bytes)>;
  // The index of the next file to work through, or nothing once none is left.
  using Next = std::function<std::optional<std::size_t>()>;
  // Works through the files that `next` hands, one or several at a time, calling `read` as it
  // goes.
  using Take = std::function<void(const Next& next, const Read& read)>;

  // `report` runs on the operation's thread alone, as the work goes on; it may raise to cancel.
  SharedFileWork(Take take, std::function<void()> report)
      : take_(std::move(take)), report_(std::move(report)) {}

  // The other thread starts on the files of these sizes, the largest first, so that those
  // left for one thread at the end are short; the operation's thread may do other work
  // meanwhile.
  void Start(std::span<const std::uint64_t> sizes);
  // Takes the files left on the operation's thread too, then waits for the other thread.
  // Passes on the first failure of either.
  void Finish();
  // Bytes read so far by both threads.
  std::uint64_t BytesRead() const { return read_; }

 private:
  void TakeLeft(bool here);

  std::vector<std::size_t> order_;  // of the files, largest first
  const Take take_;
  const std::function<void()> report_;
  std::atomic<std::size_t> next_ = 0;
  std::atomic<std::uint64_t> read_ = 0;
  // Last, so that it stops before what its task uses goes.
  BackgroundWork work_;
};
