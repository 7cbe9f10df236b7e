#include "engine/sha256.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__)
#include <cpuid.h>
#include <immintrin.h>
#define PW_SHA256_X86 1
#endif

namespace {

using Bytes = const unsigned char*;
using State = std::uint32_t*;

alignas(16) constexpr std::uint32_t kRound[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

constexpr std::uint32_t Rotate(std::uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

std::uint32_t LoadBig32(Bytes p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

void PortableBlocks(State state, Bytes data, std::size_t blocks) {
  for (; blocks != 0; --blocks, data += 64) {
    std::uint32_t w[64];
    for (int t = 0; t < 16; ++t) w[t] = LoadBig32(data + 4 * t);
    for (int t = 16; t < 64; ++t) {
      const std::uint32_t s0 = Rotate(w[t - 15], 7) ^ Rotate(w[t - 15], 18) ^ (w[t - 15] >> 3);
      const std::uint32_t s1 = Rotate(w[t - 2], 17) ^ Rotate(w[t - 2], 19) ^ (w[t - 2] >> 10);
      w[t] = w[t - 16] + s0 + w[t - 7] + s1;
    }
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    std::uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
    for (int t = 0; t < 64; ++t) {
      const std::uint32_t t1 = h + (Rotate(e, 6) ^ Rotate(e, 11) ^ Rotate(e, 25)) +
                               ((e & f) ^ (~e & g)) + kRound[t] + w[t];
      const std::uint32_t t2 =
          (Rotate(a, 2) ^ Rotate(a, 13) ^ Rotate(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
      h = g;
      g = f;
      f = e;
      e = d + t1;
      d = c;
      c = b;
      b = a;
      a = t1 + t2;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
    state[5] += f;
    state[6] += g;
    state[7] += h;
  }
}

#ifdef PW_SHA256_X86

// The processor's SHA instructions, compiled for them alone and called only when the processor
// has them, so the programs still run on any x86-64. They keep the state as the halves ABEF and
// CDGH and do two rounds an instruction; the message schedule has its own two instructions.
// `N` digests advance together, each over its own blocks: a round instruction waits for the one
// before it in the same digest, and another digest's rounds fill that wait.
template <int N>
__attribute__((target("sha,sse4.1"))) inline void ShaExtensionBlocksOf(State (&state)[N],
                                                                       Bytes (&data)[N],
                                                                       std::size_t blocks) {
  const __m128i bigEndian = _mm_set_epi64x(0x0c0d0e0f08090a0bLL, 0x0405060700010203LL);
  __m128i abef[N], cdgh[N];
  for (int s = 0; s < N; ++s) {
    const __m128i dcba =
        _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<__m128i*>(state[s])), 0xB1);
    const __m128i efgh =
        _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<__m128i*>(state[s] + 4)), 0x1B);
    abef[s] = _mm_alignr_epi8(dcba, efgh, 8);
    cdgh[s] = _mm_blend_epi16(efgh, dcba, 0xF0);
  }
  for (std::size_t at = 0; at < 64 * blocks; at += 64) {
    __m128i abefBefore[N], cdghBefore[N];
    // w[s][i % 4] holds the schedule's words 4i to 4i+3 when group i of four rounds uses them.
    // Each is begun three groups ahead and completed one group ahead, between the two round
    // instructions, so that the schedule keeps clear of the rounds' chain.
    __m128i w[N][4];
    for (int s = 0; s < N; ++s) {
      abefBefore[s] = abef[s];
      cdghBefore[s] = cdgh[s];
      for (int k = 0; k < 4; ++k) {
        w[s][k] = _mm_shuffle_epi8(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(data[s] + at + 16 * k)), bigEndian);
      }
    }
#pragma GCC unroll 16
    for (int i = 0; i < 16; ++i) {
      const __m128i round = _mm_load_si128(reinterpret_cast<const __m128i*>(kRound + 4 * i));
      __m128i words[N];
      for (int s = 0; s < N; ++s) {
        words[s] = _mm_add_epi32(w[s][i % 4], round);
        cdgh[s] = _mm_sha256rnds2_epu32(cdgh[s], abef[s], words[s]);
      }
      for (int s = 0; s < N; ++s) {
        if (i >= 3 && i < 15) {
          const __m128i later = _mm_alignr_epi8(w[s][i % 4], w[s][(i + 3) % 4], 4);
          w[s][(i + 1) % 4] =
              _mm_sha256msg2_epu32(_mm_add_epi32(w[s][(i + 1) % 4], later), w[s][i % 4]);
        }
      }
      for (int s = 0; s < N; ++s) {
        abef[s] = _mm_sha256rnds2_epu32(abef[s], cdgh[s], _mm_shuffle_epi32(words[s], 0x0E));
        if (i >= 1 && i < 13) {
          w[s][(i + 3) % 4] = _mm_sha256msg1_epu32(w[s][(i + 3) % 4], w[s][i % 4]);
        }
      }
    }
    for (int s = 0; s < N; ++s) {
      abef[s] = _mm_add_epi32(abef[s], abefBefore[s]);
      cdgh[s] = _mm_add_epi32(cdgh[s], cdghBefore[s]);
    }
  }
  for (int s = 0; s < N; ++s) {
    const __m128i feba = _mm_shuffle_epi32(abef[s], 0x1B);
    const __m128i dchg = _mm_shuffle_epi32(cdgh[s], 0xB1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state[s]), _mm_blend_epi16(feba, dchg, 0xF0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state[s] + 4), _mm_alignr_epi8(dchg, feba, 8));
  }
}

__attribute__((target("sha,sse4.1"))) void ShaExtensionBlocks(State state, Bytes data,
                                                              std::size_t blocks) {
  State states[] = {state};
  Bytes runs[] = {data};
  ShaExtensionBlocksOf<1>(states, runs, blocks);
}

__attribute__((target("sha,sse4.1"))) void ShaExtensionPairBlocks(State first, Bytes firstData,
                                                                  State second, Bytes secondData,
                                                                  std::size_t blocks) {
  State states[] = {first, second};
  Bytes runs[] = {firstData, secondData};
  ShaExtensionBlocksOf<2>(states, runs, blocks);
}

// The SHA instructions, and SSSE3 and SSE4.1 for the shuffles around them.
bool ProcessorHasShaExtensions() {
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
  const bool shuffles = (ecx & bit_SSSE3) != 0 && (ecx & bit_SSE4_1) != 0;
  if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) return false;
  return shuffles && (ebx & bit_SHA) != 0;
}

#endif

void PortablePairBlocks(State first, Bytes firstData, State second, Bytes secondData,
                        std::size_t blocks) {
  PortableBlocks(first, firstData, blocks);
  PortableBlocks(second, secondData, blocks);
}

void StoreBig32(std::uint32_t value, std::uint8_t* p) {
  for (int k = 3; k >= 0; --k, value >>= 8) p[k] = static_cast<std::uint8_t>(value);
}

}  // namespace

// One digest's compression, and two digests' side by side.
struct Sha256::Kernels {
  void (*one)(State, Bytes, std::size_t blocks);
  void (*two)(State, Bytes, State, Bytes, std::size_t blocks);
};

namespace {

constexpr Sha256::Kernels kPortable = {PortableBlocks, PortablePairBlocks};
#ifdef PW_SHA256_X86
constexpr Sha256::Kernels kShaExtensions = {ShaExtensionBlocks, ShaExtensionPairBlocks};
#endif

// An unavailable kernel falls back to the portable one.
const Sha256::Kernels* KernelsFor([[maybe_unused]] Sha256Kernel kernel) {
#ifdef PW_SHA256_X86
  static const bool hasShaExtensions = ProcessorHasShaExtensions();
  if (kernel == Sha256Kernel::shaExtensions && hasShaExtensions) return &kShaExtensions;
#endif
  return &kPortable;
}

}  // namespace

bool Sha256KernelAvailable(Sha256Kernel kernel) {
  return kernel == Sha256Kernel::portable || KernelsFor(kernel) != &kPortable;
}

Sha256::Sha256() : kernels_(KernelsFor(Sha256Kernel::shaExtensions)) {}

Sha256::Sha256(Sha256Kernel kernel) : kernels_(KernelsFor(kernel)) {}

std::size_t Sha256::CompleteBlock(Bytes data, std::size_t size) {
  if (pendingSize_ == 0) return 0;
  const std::size_t take = std::min(size, kBlockSize - pendingSize_);
  std::memcpy(pending_.data() + pendingSize_, data, take);
  pendingSize_ += take;
  if (pendingSize_ == kBlockSize) {
    kernels_->one(state_.data(), pending_.data(), 1);
    pendingSize_ = 0;
  }
  return take;
}

void Sha256::TakeBlocks(Bytes data, std::size_t size) {
  kernels_->one(state_.data(), data, size / kBlockSize);
  const std::size_t rest = size % kBlockSize;
  if (rest == 0) return;
  std::memcpy(pending_.data(), data + size - rest, rest);
  pendingSize_ = rest;
}

void Sha256::Update(const void* data, std::size_t size) {
  const auto p = static_cast<Bytes>(data);
  length_ += size;
  const std::size_t taken = CompleteBlock(p, size);
  TakeBlocks(p + taken, size - taken);
}

void Sha256::UpdateBoth(Sha256& first, Sha256& second, const void* data, std::size_t size) {
  UpdateTwo(first, data, second, data, size);
}

// Each digest first completes its own unfinished block, so the two take their whole blocks
// from different places in their runs; as many as both have go through the paired kernel.
void Sha256::UpdateTwo(Sha256& first, const void* firstData, Sha256& second, const void* secondData,
                       std::size_t size) {
  if (first.kernels_ != second.kernels_) {
    first.Update(firstData, size);
    second.Update(secondData, size);
    return;
  }
  const auto p = static_cast<Bytes>(firstData);
  const auto q = static_cast<Bytes>(secondData);
  first.length_ += size;
  second.length_ += size;
  const std::size_t firstStart = first.CompleteBlock(p, size);
  const std::size_t secondStart = second.CompleteBlock(q, size);
  const std::size_t together =
      std::min(size - firstStart, size - secondStart) / kBlockSize * kBlockSize;
  first.kernels_->two(first.state_.data(), p + firstStart, second.state_.data(), q + secondStart,
                      together / kBlockSize);
  first.TakeBlocks(p + firstStart + together, size - firstStart - together);
  second.TakeBlocks(q + secondStart + together, size - secondStart - together);
}

// The padding: a one bit, zeros up to 8 bytes short of a block's end, the length in bits.
Sha256Digest Sha256::Finish() {
  const std::uint64_t bits = length_ * 8;
  std::uint8_t tail[kBlockSize + 8] = {0x80};
  const std::size_t zeros = (pendingSize_ < 56 ? 55 : 119) - pendingSize_;
  for (int k = 0; k < 8; ++k) tail[1 + zeros + k] = static_cast<std::uint8_t>(bits >> (56 - 8 * k));
  Update(tail, 1 + zeros + 8);
  Sha256Digest digest;
  for (int k = 0; k < 8; ++k) StoreBig32(state_[k], digest.data() + 4 * k);
  return digest;
}
