#include "engine/recovery/md5.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

constexpr std::uint32_t kSines[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};
constexpr int kShifts[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                             5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                             4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                             6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};
constexpr std::size_t kBlockSize = 64;

using State = std::array<std::uint32_t, 4>;

inline std::uint32_t RotateLeft(std::uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

inline std::uint32_t Load32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}

// One step of round r on word `i` of the block.
template <int kStep>
inline void Step(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d,
                 const std::uint32_t* words) {
  constexpr int round = kStep / 16;
  std::uint32_t f;
  int g;
  if constexpr (round == 0) {
    f = d ^ (b & (c ^ d));
    g = kStep;
  } else if constexpr (round == 1) {
    f = c ^ (d & (b ^ c));
    g = (5 * kStep + 1) % 16;
  } else if constexpr (round == 2) {
    f = b ^ c ^ d;
    g = (3 * kStep + 5) % 16;
  } else {
    f = c ^ (b | ~d);
    g = (7 * kStep) % 16;
  }
  a = b + RotateLeft(a + f + kSines[kStep] + words[g], kShifts[kStep]);
}

template <int... kSteps>
inline void Steps(State& s, const std::uint32_t* words, std::integer_sequence<int, kSteps...>) {
  std::uint32_t a = s[0], b = s[1], c = s[2], d = s[3];
  // The four words turn one place each step.
  (
      [&] {
        Step<kSteps>(a, b, c, d, words);
        const std::uint32_t t = d;
        d = c;
        c = b;
        b = a;
        a = t;
      }(),
      ...);
  s[0] += a;
  s[1] += b;
  s[2] += c;
  s[3] += d;
}

void Compress(State& state, const std::uint8_t* block) {
  std::uint32_t words[16];
  for (int i = 0; i < 16; ++i) words[i] = Load32(block + 4 * i);
  Steps(state, words, std::make_integer_sequence<int, 64>{});
}

}  // namespace

void Md5::Update(const void* data, std::size_t size) {
  if (size == 0) return;  // an empty run may come without a buffer
  auto bytes = static_cast<const std::uint8_t*>(data);
  length_ += size;
  if (pendingSize_ > 0) {
    const std::size_t take = std::min(size, kBlockSize - pendingSize_);
    std::memcpy(pending_.data() + pendingSize_, bytes, take);
    pendingSize_ += take;
    bytes += take;
    size -= take;
    if (pendingSize_ < kBlockSize) return;
    Compress(state_, pending_.data());
    pendingSize_ = 0;
  }
  for (; size >= kBlockSize; bytes += kBlockSize, size -= kBlockSize) Compress(state_, bytes);
  std::memcpy(pending_.data(), bytes, size);
  pendingSize_ = size;
}

void Md5::UpdateBoth(Md5& first, Md5& second, const void* data, std::size_t size) {
  // Two streams at different places within their blocks cannot share a block load; each takes
  // the run in slices that the other follows at once, so the bytes stay in the cache.
  constexpr std::size_t kSlice = 16 * 1024;
  auto bytes = static_cast<const std::uint8_t*>(data);
  for (std::size_t done = 0; done < size; done += kSlice) {
    const std::size_t run = std::min(kSlice, size - done);
    first.Update(bytes + done, run);
    second.Update(bytes + done, run);
  }
}

Md5Digest Md5::Finish() {
  const std::uint64_t bits = length_ * 8;
  std::uint8_t padding[kBlockSize * 2] = {0x80};
  const std::size_t padSize = (pendingSize_ < 56 ? 56 - pendingSize_ : 120 - pendingSize_);
  Update(padding, padSize);
  std::uint8_t lengthBytes[8];
  for (int i = 0; i < 8; ++i) lengthBytes[i] = static_cast<std::uint8_t>(bits >> (8 * i));
  Update(lengthBytes, 8);
  Md5Digest digest;
  for (int i = 0; i < 4; ++i) {
    for (int k = 0; k < 4; ++k) digest[4 * i + k] = static_cast<std::uint8_t>(state_[i] >> (8 * k));
  }
  return digest;
}

Md5Digest Md5Of(const void* data, std::size_t size) {
  Md5 md5;
  md5.Update(data, size);
  return md5.Finish();
}
