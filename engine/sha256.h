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
  // The digest of every byte given so far; the object is spent afterwards.
  Sha256Digest Finish();

 private:
  using Compress = void (*)(std::uint32_t* state, const unsigned char* blocks, std::size_t count);
  static constexpr std::size_t kBlockSize = 64;
  std::array<std::uint32_t, 8> state_ = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                         0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
  std::array<std::uint8_t, kBlockSize> pending_{};  // the start of a block not yet complete
  std::size_t pendingSize_ = 0;
  std::uint64_t length_ = 0;  // bytes given
  Compress compress_;
};
