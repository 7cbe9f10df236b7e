#pragma once
// The checks that a recovery set keeps of a file's slices, taken from the file's bytes as they
// pass in order: each slice's MD5 and CRC-32, the last slice taken as padded with zeros. The
// recovery writer feeds it from the reads that also form the recovery slices.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/recovery/md5.h"
#include "engine/recovery/par2_format.h"

class Par2SliceFeed {
 public:
  explicit Par2SliceFeed(std::uint64_t sliceSize) : sliceSize_(sliceSize) {}

  void Add(const void* data, std::size_t size);
  // The checks of every slice begun; the feed is spent afterwards.
  std::vector<Par2SliceCheck> Finish();

 private:
  void FinishSlice();

  std::uint64_t sliceSize_;
  Md5 md5_;
  std::uint32_t crc_ = 0;
  std::uint64_t taken_ = 0;  // bytes of the slice under way
  std::vector<Par2SliceCheck> slices_;
};
