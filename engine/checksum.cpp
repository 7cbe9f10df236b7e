#include "engine/checksum.h"

#include <algorithm>
#include <cstring>

#include "engine/file64.h"

#if defined(__x86_64__)
#include <immintrin.h>
#define PW_BYTE_SUM_X86 1
#endif

namespace {

using Bytes = const unsigned char*;
// A kernel sums a run of bytes into 64 bits, which no run held in memory can overflow.
using Kernel = std::uint64_t (*)(Bytes, std::size_t);

// Fewer than eight bytes: one test per power of two, not one per byte.
std::uint64_t SumTail(Bytes p, std::size_t n) {
  std::uint64_t total = 0;
  if (n & 4) {
    std::uint32_t w;
    std::memcpy(&w, p, 4);
    total += (w & 0xFF) + ((w >> 8) & 0xFF) + ((w >> 16) & 0xFF) + (w >> 24);
    p += 4;
  }
  if (n & 2) {
    total += p[0] + p[1];
    p += 2;
  }
  if (n & 1) total += p[0];
  return total;
}

// Eight bytes at a time in one 64-bit word: adjacent bytes are paired into four 16-bit
// lanes, which hold 128 words (128 x 510 < 65,536) before they are folded.
std::uint64_t PortableByteSum(Bytes p, std::size_t n) {
  constexpr std::uint64_t kLowBytes = 0x00FF00FF00FF00FFull;
  constexpr std::size_t kWordsPerFold = 128;
  std::uint64_t total = 0;
  while (n >= 8) {
    const std::size_t words = std::min(n / 8, kWordsPerFold);
    std::uint64_t lanes = 0;
    for (std::size_t k = 0; k < words; ++k) {
      std::uint64_t w;
      std::memcpy(&w, p + 8 * k, 8);
      lanes += (w & kLowBytes) + ((w >> 8) & kLowBytes);
    }
    total += (lanes & 0xFFFF) + ((lanes >> 16) & 0xFFFF) + ((lanes >> 32) & 0xFFFF) + (lanes >> 48);
    p += 8 * words;
    n -= 8 * words;
  }
  return total + SumTail(p, n);
}

#ifdef PW_BYTE_SUM_X86

// SSE2 is part of every x86-64 processor. The sum of absolute differences against zero adds
// eight bytes into each 64-bit half; four accumulators keep the additions independent.
std::uint64_t Sse2ByteSum(Bytes p, std::size_t n) {
  const __m128i zero = _mm_setzero_si128();
  __m128i acc0 = zero, acc1 = zero, acc2 = zero, acc3 = zero;
  auto sum16 = [&](Bytes at) {
    return _mm_sad_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), zero);
  };
  for (; n >= 64; p += 64, n -= 64) {
    acc0 = _mm_add_epi64(acc0, sum16(p));
    acc1 = _mm_add_epi64(acc1, sum16(p + 16));
    acc2 = _mm_add_epi64(acc2, sum16(p + 32));
    acc3 = _mm_add_epi64(acc3, sum16(p + 48));
  }
  for (; n >= 16; p += 16, n -= 16) acc0 = _mm_add_epi64(acc0, sum16(p));
  if (n >= 8) {
    acc1 = _mm_add_epi64(acc1,
                         _mm_sad_epu8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero));
    p += 8;
    n -= 8;
  }
  const __m128i acc = _mm_add_epi64(_mm_add_epi64(acc0, acc1), _mm_add_epi64(acc2, acc3));
  const __m128i high = _mm_unpackhi_epi64(acc, acc);
  return static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_add_epi64(acc, high))) + SumTail(p, n);
}

// The same with 32-byte registers, compiled for AVX2 alone and called only when the
// processor has it, so the programs still run on any x86-64.
__attribute__((target("avx2"))) std::uint64_t Avx2ByteSum(Bytes p, std::size_t n) {
  const __m256i zero = _mm256_setzero_si256();
  __m256i acc0 = zero, acc1 = zero, acc2 = zero, acc3 = zero;
  auto sum32 = [&](Bytes at) __attribute__((target("avx2"))) {
    return _mm256_sad_epu8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(at)), zero);
  };
  for (; n >= 128; p += 128, n -= 128) {
    acc0 = _mm256_add_epi64(acc0, sum32(p));
    acc1 = _mm256_add_epi64(acc1, sum32(p + 32));
    acc2 = _mm256_add_epi64(acc2, sum32(p + 64));
    acc3 = _mm256_add_epi64(acc3, sum32(p + 96));
  }
  for (; n >= 32; p += 32, n -= 32) acc0 = _mm256_add_epi64(acc0, sum32(p));
  const __m256i acc = _mm256_add_epi64(_mm256_add_epi64(acc0, acc1), _mm256_add_epi64(acc2, acc3));
  __m128i halves = _mm_add_epi64(_mm256_castsi256_si128(acc), _mm256_extracti128_si256(acc, 1));
  // The last 31 bytes or fewer here rather than in the SSE2 kernel, whose older encoding
  // would pay for switching between register widths.
  const __m128i zero16 = _mm_setzero_si128();
  if (n >= 16) {
    halves = _mm_add_epi64(
        halves, _mm_sad_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), zero16));
    p += 16;
    n -= 16;
  }
  if (n >= 8) {
    halves = _mm_add_epi64(
        halves, _mm_sad_epu8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero16));
    p += 8;
    n -= 8;
  }
  const __m128i high = _mm_unpackhi_epi64(halves, halves);
  const auto sum = static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_add_epi64(halves, high)));
  // The compiler leaves the upper halves of the registers in use; the older encoding of the
  // code that runs next on this thread (the SHA instructions among it) would then run at half
  // its speed.
  _mm256_zeroupper();
  return sum + SumTail(p, n);
}

bool ProcessorHasAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
}

#endif

Kernel KernelFor(ByteSumKernel kernel) {
#ifdef PW_BYTE_SUM_X86
  if (kernel == ByteSumKernel::sse2) return Sse2ByteSum;
  if (kernel == ByteSumKernel::avx2 && ProcessorHasAvx2()) return Avx2ByteSum;
#endif
  return PortableByteSum;
}

Kernel FastestKernel() {
  for (ByteSumKernel kernel : {ByteSumKernel::avx2, ByteSumKernel::sse2}) {
    if (ByteSumKernelAvailable(kernel)) return KernelFor(kernel);
  }
  return PortableByteSum;
}

}  // namespace

bool ByteSumKernelAvailable(ByteSumKernel kernel) {
  return KernelFor(kernel) != PortableByteSum || kernel == ByteSumKernel::portable;
}

std::uint32_t AddByteSumWith(ByteSumKernel kernel, std::uint32_t sum, const void* data,
                             std::size_t size) {
  return sum + static_cast<std::uint32_t>(KernelFor(kernel)(static_cast<Bytes>(data), size));
}

std::uint32_t AddByteSum(std::uint32_t sum, const void* data, std::size_t size) {
  static const Kernel kernel = FastestKernel();
  return sum + static_cast<std::uint32_t>(kernel(static_cast<Bytes>(data), size));
}

std::uint32_t NextRunningChecksum(std::uint32_t previous, std::uint32_t index,
                                  std::uint32_t pieceSum) {
  return previous + index * pieceSum;
}

std::uint32_t SampleSum(CFile64& file) {
  constexpr int kSamples = 8;
  const std::uint64_t length = file.Length();
  if (length == 0) return 0;
  const std::uint64_t position = file.Position();
  const std::uint64_t step = length / kSamples;
  std::uint32_t sum = 0;
  for (int k = 0; k < kSamples; ++k) {
    const std::uint64_t offset = k * step;
    // The length is taken again: the file may have shrunk since.
    if (offset >= file.Length()) break;
    file.SeekToBegin(offset);
    unsigned char byte = 0;  // a byte not delivered counts as 0
    file.Read(&byte, 1);
    sum += byte;
  }
  file.SeekToBegin(position);
  return sum;
}
