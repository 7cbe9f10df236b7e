#include "engine/recovery/par2_slice_feed.h"

#include <algorithm>
#include <array>
#include <utility>

#include "engine/recovery/crc32.h"

void Par2SliceFeed::Add(const void* data, std::size_t size) {
  auto bytes = static_cast<const std::uint8_t*>(data);
  while (size > 0) {
    const auto run = static_cast<std::size_t>(std::min<std::uint64_t>(size, sliceSize_ - taken_));
    md5_.Update(bytes, run);
    crc_ = Crc32(crc_, bytes, run);
    taken_ += run;
    bytes += run;
    size -= run;
    if (taken_ == sliceSize_) FinishSlice();
  }
}

std::vector<Par2SliceCheck> Par2SliceFeed::Finish() {
  if (taken_ > 0) FinishSlice();
  return std::move(slices_);
}

// A short last slice is checked as if padded with zeros.
void Par2SliceFeed::FinishSlice() {
  static constexpr std::array<std::uint8_t, 4096> kZeros{};
  for (std::uint64_t left = sliceSize_ - taken_; left > 0;) {
    const auto run = static_cast<std::size_t>(std::min<std::uint64_t>(left, kZeros.size()));
    md5_.Update(kZeros.data(), run);
    left -= run;
  }
  slices_.push_back({md5_.Finish(), Crc32Zeros(crc_, sliceSize_ - taken_)});
  md5_ = Md5{};
  crc_ = 0;
  taken_ = 0;
}
