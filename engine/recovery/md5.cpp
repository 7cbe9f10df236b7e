#include "engine/recovery/md5.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#include "engine/recovery/md5_kernels.h"

namespace {

using md5::detail::kBlockSize;
using md5::detail::kLanes;
using md5::detail::kMostLanes;
using md5::detail::kPairLanes;
using md5::detail::kShifts;
using md5::detail::kSines;
using md5::detail::State;

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
  a += block.words[md5::detail::WordOfStep(kStep)] + kSines[kStep];
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

// The eight-lane kernel takes a block from each lane in about the time a pair takes two, so
// from three busy lanes on it beats pairs and a single, idle lanes and all; two go as a pair.
// The sixteen-lane one takes about the time of eight, so it is used once eight are not enough;
// so are the AVX-512 kernels, of sixteen lanes in one register and of thirty-two in two.
constexpr std::size_t kMinWideLanes = 3;

// Runs `kernel` over all of its `width` lanes, the idle ones taking the first lane's blocks
// into states of their own.
void CompressInLanes(md5::detail::LaneKernel kernel, std::size_t width, State* const* states,
                     const std::uint8_t* const* blocks, std::size_t lanes, std::size_t count) {
  State idle[kMostLanes] = {};
  State* allStates[kMostLanes];
  const std::uint8_t* allBlocks[kMostLanes];
  for (std::size_t i = 0; i < width; ++i) {
    allStates[i] = i < lanes ? states[i] : &idle[i];
    allBlocks[i] = blocks[i < lanes ? i : 0];
  }
  kernel(allStates, allBlocks, count);
}

// `count` whole blocks of each of up to sixteen digests, or thirty-two with AVX-512: all in the
// lanes of one or two registers where the processor has the instructions and enough lanes are
// busy, else in pairs, the odd one alone.
void CompressTogether(State* const* states, const std::uint8_t* const* blocks, std::size_t lanes,
                      std::size_t count) {
  static const md5::detail::LaneKernel wide = md5::detail::Avx512Kernel();
  static const md5::detail::LaneKernel widePair = md5::detail::Avx512PairKernel();
  static const md5::detail::LaneKernel eight = md5::detail::Avx2Kernel();
  static const md5::detail::LaneKernel sixteen = md5::detail::Avx2PairKernel();
  if (widePair != nullptr && lanes > kPairLanes) {
    CompressInLanes(widePair, kMostLanes, states, blocks, lanes, count);
    return;
  }
  if (wide != nullptr && lanes >= kMinWideLanes) {
    CompressInLanes(wide, kPairLanes, states, blocks, lanes, count);
    return;
  }
  if (sixteen != nullptr && lanes > kLanes) {
    CompressInLanes(sixteen, kPairLanes, states, blocks, lanes, count);
    return;
  }
  // Both kernels need the same instructions: with no sixteen there is no eight either.
  if (eight != nullptr && lanes >= kMinWideLanes) {
    CompressInLanes(eight, kLanes, states, blocks, lanes, count);
    return;
  }
  std::size_t i = 0;
  for (; i + 1 < lanes; i += 2) {
    CompressTwo(*states[i], blocks[i], *states[i + 1], blocks[i + 1], count, kAllSteps);
  }
  if (i < lanes) Compress(*states[i], blocks[i], count);
}

// The most digests taken together: thirty-two where the processor has AVX-512, else sixteen.
std::size_t MostLanesTogether() {
  static const std::size_t most =
      md5::detail::Avx512PairKernel() != nullptr ? kMostLanes : kPairLanes;
  return most;
}

}  // namespace

std::size_t Md5::FillBlock(const std::uint8_t* data, std::size_t size) {
  if (pendingSize_ == 0) return 0;
  const std::size_t take = std::min(size, kBlockSize - pendingSize_);
  std::memcpy(pending_.data() + pendingSize_, data, take);
  pendingSize_ += take;
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
  const std::size_t taken = FillBlock(bytes, size);
  if (pendingSize_ == kBlockSize) {
    Compress(state_, pending_.data(), 1);
    pendingSize_ = 0;
  }
  const std::size_t blocks = (size - taken) / kBlockSize;
  Compress(state_, bytes + taken, blocks);
  KeepRest(bytes + taken + blocks * kBlockSize, size - taken - blocks * kBlockSize);
}

void Md5::UpdateMany(std::span<Md5* const> digests, std::span<const std::uint8_t* const> data,
                     std::size_t size) {
  if (size == 0) return;
  const std::size_t most = MostLanesTogether();
  for (std::size_t first = 0; first < digests.size(); first += most) {
    const std::size_t lanes = std::min(most, digests.size() - first);
    UpdateGroup(digests.subspan(first, lanes), data.subspan(first, lanes), size);
  }
}

// Each digest first completes its own unfinished block, the blocks so completed all going
// through together; then each takes its whole blocks from its own place in its run, as many as
// all that have any going through together, again while some have more. Digests a few bytes
// apart in their blocks thus never take a block alone, which costs a dozen times a lane's.
void Md5::UpdateGroup(std::span<Md5* const> digests, std::span<const std::uint8_t* const> data,
                      std::size_t size) {
  State* states[kMostLanes];
  const std::uint8_t* blocks[kMostLanes];
  std::size_t done[kMostLanes];
  std::size_t completed = 0;
  for (std::size_t i = 0; i < digests.size(); ++i) {
    Md5& digest = *digests[i];
    digest.length_ += size;
    done[i] = digest.FillBlock(data[i], size);
    if (digest.pendingSize_ == kBlockSize) {
      states[completed] = &digest.state_;
      blocks[completed++] = digest.pending_.data();
      digest.pendingSize_ = 0;
    }
  }
  if (completed > 0) CompressTogether(states, blocks, completed, 1);
  for (;;) {
    std::size_t lanes = 0;
    std::size_t together = SIZE_MAX;
    std::size_t taking[kMostLanes];
    for (std::size_t i = 0; i < digests.size(); ++i) {
      const std::size_t whole = (size - done[i]) / kBlockSize;
      if (whole == 0) continue;
      together = std::min(together, whole);
      taking[lanes] = i;
      states[lanes] = &digests[i]->state_;
      blocks[lanes++] = data[i] + done[i];
    }
    if (lanes == 0) break;
    CompressTogether(states, blocks, lanes, together);
    for (std::size_t k = 0; k < lanes; ++k) done[taking[k]] += together * kBlockSize;
  }
  for (std::size_t i = 0; i < digests.size(); ++i) {
    digests[i]->KeepRest(data[i] + done[i], size - done[i]);
  }
}

void Md5::UpdateBoth(Md5& first, Md5& second, const void* data, std::size_t size) {
  Md5* const digests[] = {&first, &second};
  const auto* const bytes = static_cast<const std::uint8_t*>(data);
  const std::uint8_t* const runs[] = {bytes, bytes};
  UpdateMany(digests, runs, size);
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
