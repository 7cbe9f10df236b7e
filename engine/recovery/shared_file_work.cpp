#include "engine/recovery/shared_file_work.h"

#include <algorithm>
#include <functional>
#include <numeric>

#include "engine/recovery/recovery_progress.h"

namespace {

// Raised inside a file's work on the other thread once the operation stops it.
struct Stopped {};

}  // namespace

void SharedFileWork::Start(std::span<const std::uint64_t> sizes) {
  order_.resize(sizes.size());
  std::iota(order_.begin(), order_.end(), std::size_t{0});
  std::ranges::stable_sort(order_, std::greater{}, [sizes](std::size_t i) { return sizes[i]; });
  work_.Hand([this] { TakeLeft(false); });
}

void SharedFileWork::Finish() {
  TakeLeft(true);
  while (!work_.WaitUntilAtMost(0, kRecoveryReportInterval)) report_();
  report_();
}

void SharedFileWork::TakeLeft(bool here) {
  const Read read = [this, here](std::uint64_t bytes) {
    read_ += bytes;
    if (here) {
      report_();
    } else if (work_.Stopping()) {
      throw Stopped{};
    }
  };
  const Next next = [this]() -> std::optional<std::size_t> {
    const std::size_t at = next_++;
    if (at >= order_.size()) return std::nullopt;
    return order_[at];
  };
  take_(next, read);
}
