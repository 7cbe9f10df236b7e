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

// A block's sixteen words, read once: each is used in every round.
struct Block {
  std::uint32_t words[16];

  explicit Block(const std::uint8_t* bytes) {
    for (int i = 0; i < 16; ++i) words[i] = Load32(bytes + 4 * i);
  }
};

// One step of round r on the block's word g. The terms that do not wait for b, the word last
// changed, are added first: the chain from one step to the next is then as short as it goes.
template <int kStep>
inline void Step(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d,
                 const Block& block) {
  constexpr int round = kStep / 16;
  constexpr int g = round == 0   ? kStep
                    : round == 1 ? (5 * kStep + 1) % 16
                    : round == 2 ? (3 * kStep + 5) % 16
                                 : (7 * kStep) % 16;
  a += block.words[g] + kSines[kStep];
  if constexpr (round == 0) {
    a += d ^ (b & (c ^ d));
  } else if constexpr (round == 1) {
    // (b & d) | (c & ~d): the two halves share no bit, so they add.
    a += c & ~d;
    a += b & d;
  } else if constexpr (round == 2) {
    a += b ^ (c ^ d);
  } else {
    a += c ^ (b | ~d);
  }
  a = b + RotateLeft(a, kShifts[kStep]);
}

// The four words of a state, turned one place each step.
struct Words {
  std::uint32_t a, b, c, d;

  template <int kStep>
  void Take(const Block& block) {
    Step<kStep>(a, b, c, d, block);
    const std::uint32_t t = d;
    d = c;
    c = b;
    b = a;
    a = t;
  }
};

inline Words Load(const State& s) { return {s[0], s[1], s[2], s[3]}; }

inline void AddTo(State& s, const Words& w) {
  s[0] += w.a;
  s[1] += w.b;
  s[2] += w.c;
  s[3] += w.d;
}

template <int... kSteps>
void CompressBlocks(State& state, const std::uint8_t* block, std::size_t count,
                    std::integer_sequence<int, kSteps...>) {
  for (; count > 0; --count, block += kBlockSize) {
    const Block x(block);
    Words w = Load(state);
    (w.Take<kSteps>(x), ...);
    AddTo(state, w);
  }
}

// Two digests' blocks step by step in one stream of instructions: each step waits for the one
// before it, so one digest alone leaves most of the processor idle while the other's steps fill
// those gaps.
template <int... kSteps>
void CompressTwo(State& first, const std::uint8_t* firstBlock, State& second,
                 const std::uint8_t* secondBlock, std::size_t count,
                 std::integer_sequence<int, kSteps...>) {
  for (; count > 0; --count, firstBlock += kBlockSize, secondBlock += kBlockSize) {
    const Block x(firstBlock);
    const Block y(secondBlock);
    Words v = Load(first);
    Words w = Load(second);
    ((v.Take<kSteps>(x), w.Take<kSteps>(y)), ...);
    AddTo(first, v);
    AddTo(second, w);
  }
}

constexpr auto kAllSteps = std::make_integer_sequence<int, 64>{};

void Compress(State& state, const std::uint8_t* blocks, std::size_t count) {
  CompressBlocks(state, blocks, count, kAllSteps);
}

}  // namespace

std::size_t Md5::CompleteBlock(const std::uint8_t* data, std::size_t size) {
  if (pendingSize_ == 0) return 0;
  const std::size_t take = std::min(size, kBlockSize - pendingSize_);
  std::memcpy(pending_.data() + pendingSize_, data, take);
  pendingSize_ += take;
  if (pendingSize_ == kBlockSize) {
    Compress(state_, pending_.data(), 1);
    pendingSize_ = 0;
  }
  return take;
}

void Md5::KeepRest(const std::uint8_t* data, std::size_t size) {
  // Nothing is left over when the unfinished block took the whole run: it stays as it is.
  if (size == 0) return;
  std::memcpy(pending_.data(), data, size);
  pendingSize_ = size;
}

void Md5::Update(const void* data, std::size_t size) {
  if (size == 0) return;  // an empty run may come without a buffer
  const auto bytes = static_cast<const std::uint8_t*>(data);
  length_ += size;
  const std::size_t taken = CompleteBlock(bytes, size);
  const std::size_t blocks = (size - taken) / kBlockSize;
  Compress(state_, bytes + taken, blocks);
  KeepRest(bytes + taken + blocks * kBlockSize, size - taken - blocks * kBlockSize);
}

// Each digest first completes its own unfinished block, so the two take their whole blocks
// from their own places in their runs; as many as both have go through together.
void Md5::UpdateTwo(Md5& first, const void* firstData, Md5& second, const void* secondData,
                    std::size_t size) {
  if (size == 0) return;
  const auto p = static_cast<const std::uint8_t*>(firstData);
  const auto q = static_cast<const std::uint8_t*>(secondData);
  first.length_ += size;
  second.length_ += size;
  const std::size_t firstAt = first.CompleteBlock(p, size);
  const std::size_t secondAt = second.CompleteBlock(q, size);
  const std::size_t together = (size - std::max(firstAt, secondAt)) / kBlockSize;
  CompressTwo(first.state_, p + firstAt, second.state_, q + secondAt, together, kAllSteps);
  const std::size_t firstDone = firstAt + together * kBlockSize;
  const std::size_t secondDone = secondAt + together * kBlockSize;
  const std::size_t firstBlocks = (size - firstDone) / kBlockSize;
  const std::size_t secondBlocks = (size - secondDone) / kBlockSize;
  Compress(first.state_, p + firstDone, firstBlocks);
  Compress(second.state_, q + secondDone, secondBlocks);
  first.KeepRest(p + firstDone + firstBlocks * kBlockSize,
                 size - firstDone - firstBlocks * kBlockSize);
  second.KeepRest(q + secondDone + secondBlocks * kBlockSize,
                  size - secondDone - secondBlocks * kBlockSize);
}

void Md5::UpdateBoth(Md5& first, Md5& second, const void* data, std::size_t size) {
  UpdateTwo(first, data, second, data, size);
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
