#pragma once
// MD5, the digest that recovery files keep of every file they protect, of each slice of it and
// of each of their own packets: fed in runs of any size as the data passes, finished once.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

using Md5Digest = std::array<std::uint8_t, 16>;

class Md5 {
 public:
  void Update(const void* data, std::size_t size);
  // Feeds the same bytes to two digests, a file's and that of the slice it is in, in about
  // half the time of two Updates.
  static void UpdateBoth(Md5& first, Md5& second, const void* data, std::size_t size);
  // Feeds data[i], `size` bytes, to *digests[i], for as many digests as there are runs (no
  // digest twice; runs may share bytes), bit for bit as Update would: up to sixteen at once in
  // vector registers where the processor has them (thirty-two with AVX-512), else two at a time.
  static void UpdateMany(std::span<Md5* const> digests, std::span<const std::uint8_t* const> data,
                         std::size_t size);
  // The digest of every byte given so far; the object is spent afterwards.
  Md5Digest Finish();

 private:
  // Fills the unfinished block from `data`, if there is one; returns the bytes used. The caller
  // takes the block once it is full.
  std::size_t FillBlock(const std::uint8_t* data, std::size_t size);
  // UpdateMany for as many digests as the kernels take at once.
  static void UpdateGroup(std::span<Md5* const> digests, std::span<const std::uint8_t* const> data,
                          std::size_t size);
  // Keeps the start of a block, fewer than 64 bytes, after the whole blocks have been taken.
  void KeepRest(const std::uint8_t* data, std::size_t size);

  std::array<std::uint32_t, 4> state_ = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
  std::array<std::uint8_t, 64> pending_{};  // the start of a block not yet complete
  std::size_t pendingSize_ = 0;
  std::uint64_t length_ = 0;  // bytes given
};

Md5Digest Md5Of(const void* data, std::size_t size);
