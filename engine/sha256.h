#pragma once
// SHA-256, the strong digest that a package's manifest stores beside the format's byte sums:
// fed in runs of any size as the data passes, finished once.

#include <array>
#include <cstddef>
#include <cstdint>

using Sha256Digest = std::array<std::uint8_t, 32>;

// The ways of running the compression, for tests and benchmarks; the default is the fastest
// that the processor offers. All give the same digests.
enum class Sha256Kernel { portable, shaExtensions };
bool Sha256KernelAvailable(Sha256Kernel kernel);

class Sha256 {
 public:
  Sha256();
  // An unavailable kernel falls back to the portable one.
  explicit Sha256(Sha256Kernel kernel);

  void Update(const void* data, std::size_t size);
  // Feeds the same bytes to two digests. With the processor's SHA instructions the two run
  // interleaved, which takes less time than one after the other.
  static void UpdateBoth(Sha256& first, Sha256& second, const void* data, std::size_t size);
  // Feeds `size` bytes of each run to its digest, the two side by side as UpdateBoth does.
  static void UpdateTwo(Sha256& first, const void* firstData, Sha256& second,
                        const void* secondData, std::size_t size);

  struct Kernels;  // the compression's code, chosen for the processor
  // The digest of every byte given so far; the object is spent afterwards.
  Sha256Digest Finish();

 private:
  // Completes the block begun by earlier runs from the start of `data`; returns the bytes taken.
  std::size_t CompleteBlock(const unsigned char* data, std::size_t size);
  // Compresses the whole blocks of `data` and keeps the rest for the next run.
  void TakeBlocks(const unsigned char* data, std::size_t size);

  static constexpr std::size_t kBlockSize = 64;
  std::array<std::uint32_t, 8> state_ = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                         0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
  std::array<std::uint8_t, kBlockSize> pending_{};  // the start of a block not yet complete
  std::size_t pendingSize_ = 0;
  std::uint64_t length_ = 0;  // bytes given
  const Kernels* kernels_;
};
