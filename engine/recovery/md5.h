#pragma once
// MD5, the digest that recovery files keep of every file they protect, of each slice of it and
// of each of their own packets: fed in runs of any size as the data passes, finished once.

#include <array>
#include <cstddef>
#include <cstdint>

using Md5Digest = std::array<std::uint8_t, 16>;

class Md5 {
 public:
  void Update(const void* data, std::size_t size);
  // Feeds the same bytes to two digests, a file's and that of the slice it is in, taking the
  // run in parts small enough to stay in the cache between the two.
  static void UpdateBoth(Md5& first, Md5& second, const void* data, std::size_t size);
  // The digest of every byte given so far; the object is spent afterwards.
  Md5Digest Finish();

 private:
  std::array<std::uint32_t, 4> state_ = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
  std::array<std::uint8_t, 64> pending_{};  // the start of a block not yet complete
  std::size_t pendingSize_ = 0;
  std::uint64_t length_ = 0;  // bytes given
};

Md5Digest Md5Of(const void* data, std::size_t size);
