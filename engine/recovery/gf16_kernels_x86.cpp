#include <algorithm>
#include <array>
#include <bit>

#include "engine/recovery/gf16.h"
#include "engine/recovery/gf16_kernels.h"

#if defined(__x86_64__)
#include <cpuid.h>
#include <immintrin.h>
#define PW_GF16_X86 1
#endif

namespace gf16::detail {

#ifdef PW_GF16_X86

namespace {

// factor times each power of two from 1 to 2^15, by doubling: every product is a sum of these.
std::array<std::uint16_t, 16> BitProducts(std::uint16_t factor) {
  std::array<std::uint16_t, 16> products;
  std::uint32_t x = factor;
  for (std::uint16_t& p : products) {
    p = static_cast<std::uint16_t>(x);
    x = (x << 1) ^ ((x & 0x8000) ? 0x1100B : 0);
  }
  return products;
}

// The products of a factor with each nibble value at each of the four places of a word, split
// into their low bytes (tables 0 to 3) and high bytes (tables 4 to 7), for byte shuffles.
struct NibbleTables {
  alignas(16) std::uint8_t table[8][16];
};

NibbleTables NibbleTablesOf(std::uint16_t factor) {
  const std::array<std::uint16_t, 16> bits = BitProducts(factor);
  NibbleTables t;
  for (unsigned place = 0; place < 4; ++place) {
    // Each product is that of the nibble without its lowest bit plus that bit's.
    std::array<std::uint16_t, 16> products{};
    for (unsigned n = 1; n < 16; ++n) {
      products[n] = products[n & (n - 1)] ^ bits[4 * place + std::countr_zero(n)];
    }
    for (unsigned n = 0; n < 16; ++n) {
      t.table[place][n] = static_cast<std::uint8_t>(products[n] & 0xFF);
      t.table[4 + place][n] = static_cast<std::uint8_t>(products[n] >> 8);
    }
  }
  return t;
}

// Multiplication by a factor as four 8-by-8 bit matrices, from the low or high byte of a word
// to the low or high byte of the product, in the layout of the affine instruction: the byte
// 7 - i of a matrix selects the input bits that sum to output bit i.
struct AffineMatrices {
  std::uint64_t lowToLow, highToLow, lowToHigh, highToHigh;
};

// Byte j of `columns` is the image of input bit j; the matrix wants the rows, byte-reversed.
std::uint64_t AffineMatrix(const std::array<std::uint16_t, 16>& bits, unsigned inShift,
                           unsigned outShift) {
  std::uint64_t x = 0;
  for (unsigned j = 0; j < 8; ++j) {
    x |= static_cast<std::uint64_t>((bits[j + inShift] >> outShift) & 0xFF) << (8 * j);
  }
  std::uint64_t t = (x ^ (x >> 7)) & 0x00AA00AA00AA00AAull;
  x ^= t ^ (t << 7);
  t = (x ^ (x >> 14)) & 0x0000CCCC0000CCCCull;
  x ^= t ^ (t << 14);
  t = (x ^ (x >> 28)) & 0x00000000F0F0F0F0ull;
  x ^= t ^ (t << 28);
  return __builtin_bswap64(x);
}

AffineMatrices AffineMatricesOf(std::uint16_t factor) {
  const std::array<std::uint16_t, 16> bits = BitProducts(factor);
  return {AffineMatrix(bits, 0, 0), AffineMatrix(bits, 8, 0), AffineMatrix(bits, 0, 8),
          AffineMatrix(bits, 8, 8)};
}

// Runs `Apply` over the source in sub-blocks, every destination taking a sub-block before the
// next is read, on the longest run of whole steps; the words after it go one at a time.
template <class Prepared, Prepared (*Prepare)(std::uint16_t),
          void (*Apply)(std::byte*, const std::byte*, std::size_t, const Prepared&),
          std::size_t kStep>
void BlockedMany(std::byte* const* dst, const std::uint16_t* factors, std::size_t count,
                 const std::byte* src, std::size_t bytes) {
  std::array<Prepared, kMaxDestinations> prepared;
  for (std::size_t j = 0; j < count; ++j) prepared[j] = Prepare(factors[j]);
  const std::size_t body = bytes / kStep * kStep;
  for (std::size_t at = 0; at < body; at += kSubBlockBytes) {
    const std::size_t n = std::min(kSubBlockBytes, body - at);
    for (std::size_t j = 0; j < count; ++j) Apply(dst[j] + at, src + at, n, prepared[j]);
  }
  if (body == bytes) return;
  for (std::size_t j = 0; j < count; ++j) {
    MultiplyAccumulateWords(dst[j] + body, src + body, bytes - body, factors[j]);
  }
}

// The nibble kernels split two vectors of words into a vector of low bytes and one of high
// bytes (the packs and unpacks work within 128-bit lanes, so the order comes back as it was),
// look each nibble up, and interleave the product bytes again.

__attribute__((target("ssse3"))) void Ssse3Apply(std::byte* dst, const std::byte* src,
                                                 std::size_t bytes, const NibbleTables& t) {
  __m128i tab[8];
  for (int k = 0; k < 8; ++k) tab[k] = _mm_load_si128(reinterpret_cast<const __m128i*>(t.table[k]));
  const __m128i nibble = _mm_set1_epi8(0x0F);
  const __m128i lowByte = _mm_set1_epi16(0x00FF);
  for (std::size_t i = 0; i < bytes; i += 32) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i + 16));
    const __m128i lo = _mm_packus_epi16(_mm_and_si128(a, lowByte), _mm_and_si128(b, lowByte));
    const __m128i hi = _mm_packus_epi16(_mm_srli_epi16(a, 8), _mm_srli_epi16(b, 8));
    const __m128i n0 = _mm_and_si128(lo, nibble);
    const __m128i n1 = _mm_and_si128(_mm_srli_epi16(lo, 4), nibble);
    const __m128i n2 = _mm_and_si128(hi, nibble);
    const __m128i n3 = _mm_and_si128(_mm_srli_epi16(hi, 4), nibble);
    const __m128i rl =
        _mm_xor_si128(_mm_xor_si128(_mm_shuffle_epi8(tab[0], n0), _mm_shuffle_epi8(tab[1], n1)),
                      _mm_xor_si128(_mm_shuffle_epi8(tab[2], n2), _mm_shuffle_epi8(tab[3], n3)));
    const __m128i rh =
        _mm_xor_si128(_mm_xor_si128(_mm_shuffle_epi8(tab[4], n0), _mm_shuffle_epi8(tab[5], n1)),
                      _mm_xor_si128(_mm_shuffle_epi8(tab[6], n2), _mm_shuffle_epi8(tab[7], n3)));
    __m128i* d = reinterpret_cast<__m128i*>(dst + i);
    _mm_storeu_si128(d, _mm_xor_si128(_mm_loadu_si128(d), _mm_unpacklo_epi8(rl, rh)));
    _mm_storeu_si128(d + 1, _mm_xor_si128(_mm_loadu_si128(d + 1), _mm_unpackhi_epi8(rl, rh)));
  }
}

// The AVX2 kernel splits each sub-block's words into their four nibbles once, for every
// destination: the split costs about as much as the lookups of one destination.
constexpr std::size_t kAvx2Step = 64;
using Avx2Nibbles = __m256i[4];

__attribute__((target("avx2"))) void Avx2SplitNibbles(const std::byte* src, std::size_t bytes,
                                                      Avx2Nibbles* nibbles) {
  const __m256i nibble = _mm256_set1_epi8(0x0F);
  const __m256i lowByte = _mm256_set1_epi16(0x00FF);
  for (std::size_t i = 0; i < bytes; i += kAvx2Step, ++nibbles) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i + 32));
    const __m256i lo =
        _mm256_packus_epi16(_mm256_and_si256(a, lowByte), _mm256_and_si256(b, lowByte));
    const __m256i hi = _mm256_packus_epi16(_mm256_srli_epi16(a, 8), _mm256_srli_epi16(b, 8));
    (*nibbles)[0] = _mm256_and_si256(lo, nibble);
    (*nibbles)[1] = _mm256_and_si256(_mm256_srli_epi16(lo, 4), nibble);
    (*nibbles)[2] = _mm256_and_si256(hi, nibble);
    (*nibbles)[3] = _mm256_and_si256(_mm256_srli_epi16(hi, 4), nibble);
  }
}

__attribute__((target("avx2"))) void Avx2ApplySplit(std::byte* dst, const Avx2Nibbles* nibbles,
                                                    std::size_t bytes, const NibbleTables& t) {
  __m256i tab[8];
  for (int k = 0; k < 8; ++k) {
    tab[k] =
        _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(t.table[k])));
  }
  for (std::size_t i = 0; i < bytes; i += kAvx2Step, ++nibbles) {
    const __m256i n0 = (*nibbles)[0];
    const __m256i n1 = (*nibbles)[1];
    const __m256i n2 = (*nibbles)[2];
    const __m256i n3 = (*nibbles)[3];
    const __m256i rl = _mm256_xor_si256(
        _mm256_xor_si256(_mm256_shuffle_epi8(tab[0], n0), _mm256_shuffle_epi8(tab[1], n1)),
        _mm256_xor_si256(_mm256_shuffle_epi8(tab[2], n2), _mm256_shuffle_epi8(tab[3], n3)));
    const __m256i rh = _mm256_xor_si256(
        _mm256_xor_si256(_mm256_shuffle_epi8(tab[4], n0), _mm256_shuffle_epi8(tab[5], n1)),
        _mm256_xor_si256(_mm256_shuffle_epi8(tab[6], n2), _mm256_shuffle_epi8(tab[7], n3)));
    __m256i* d = reinterpret_cast<__m256i*>(dst + i);
    _mm256_storeu_si256(d, _mm256_xor_si256(_mm256_loadu_si256(d), _mm256_unpacklo_epi8(rl, rh)));
    _mm256_storeu_si256(d + 1,
                        _mm256_xor_si256(_mm256_loadu_si256(d + 1), _mm256_unpackhi_epi8(rl, rh)));
  }
}

void Avx2Many(std::byte* const* dst, const std::uint16_t* factors, std::size_t count,
              const std::byte* src, std::size_t bytes) {
  std::array<NibbleTables, kMaxDestinations> tables;
  for (std::size_t j = 0; j < count; ++j) tables[j] = NibbleTablesOf(factors[j]);
  alignas(32) Avx2Nibbles nibbles[kSubBlockBytes / kAvx2Step];
  const std::size_t body = bytes / kAvx2Step * kAvx2Step;
  for (std::size_t at = 0; at < body; at += kSubBlockBytes) {
    const std::size_t n = std::min(kSubBlockBytes, body - at);
    Avx2SplitNibbles(src + at, n, nibbles);
    for (std::size_t j = 0; j < count; ++j) Avx2ApplySplit(dst[j] + at, nibbles, n, tables[j]);
  }
  if (body == bytes) return;
  for (std::size_t j = 0; j < count; ++j) {
    MultiplyAccumulateWords(dst[j] + body, src + body, bytes - body, factors[j]);
  }
}

// The masked form, as the unmasked one trips GCC 12's uninitialised-value warning.
__attribute__((target("avx512f"))) __m512i Broadcast128(__m128i v) {
  return _mm512_maskz_broadcast_i32x4(0xFFFF, v);
}

__attribute__((target("avx512f,avx512bw"))) void Avx512Apply(std::byte* dst, const std::byte* src,
                                                             std::size_t bytes,
                                                             const NibbleTables& t) {
  __m512i tab[8];
  for (int k = 0; k < 8; ++k) {
    tab[k] = Broadcast128(_mm_load_si128(reinterpret_cast<const __m128i*>(t.table[k])));
  }
  const __m512i nibble = _mm512_set1_epi8(0x0F);
  const __m512i lowByte = _mm512_set1_epi16(0x00FF);
  constexpr int kXor3 = 0x96;
  for (std::size_t i = 0; i < bytes; i += 128) {
    const __m512i a = _mm512_loadu_si512(src + i);
    const __m512i b = _mm512_loadu_si512(src + i + 64);
    const __m512i lo =
        _mm512_packus_epi16(_mm512_and_si512(a, lowByte), _mm512_and_si512(b, lowByte));
    const __m512i hi = _mm512_packus_epi16(_mm512_srli_epi16(a, 8), _mm512_srli_epi16(b, 8));
    const __m512i n0 = _mm512_and_si512(lo, nibble);
    const __m512i n1 = _mm512_and_si512(_mm512_srli_epi16(lo, 4), nibble);
    const __m512i n2 = _mm512_and_si512(hi, nibble);
    const __m512i n3 = _mm512_and_si512(_mm512_srli_epi16(hi, 4), nibble);
    const __m512i rl = _mm512_xor_si512(
        _mm512_ternarylogic_epi32(_mm512_shuffle_epi8(tab[0], n0), _mm512_shuffle_epi8(tab[1], n1),
                                  _mm512_shuffle_epi8(tab[2], n2), kXor3),
        _mm512_shuffle_epi8(tab[3], n3));
    const __m512i rh = _mm512_xor_si512(
        _mm512_ternarylogic_epi32(_mm512_shuffle_epi8(tab[4], n0), _mm512_shuffle_epi8(tab[5], n1),
                                  _mm512_shuffle_epi8(tab[6], n2), kXor3),
        _mm512_shuffle_epi8(tab[7], n3));
    std::byte* d = dst + i;
    _mm512_storeu_si512(d, _mm512_xor_si512(_mm512_loadu_si512(d), _mm512_unpacklo_epi8(rl, rh)));
    _mm512_storeu_si512(d + 64,
                        _mm512_xor_si512(_mm512_loadu_si512(d + 64), _mm512_unpackhi_epi8(rl, rh)));
  }
}

// The affine instruction applies one matrix to every byte of a 64-bit lane, so each product is
// formed from the words as they are (low bytes by the low-to-low matrix, high bytes by the
// high-to-high one, chosen by byte masks) and from the words with their bytes swapped (the
// cross terms).
__attribute__((target("gfni,avx512f,avx512bw"))) void GfniApply(std::byte* dst,
                                                                const std::byte* src,
                                                                std::size_t bytes,
                                                                const AffineMatrices& m) {
  const __m512i lowToLow = _mm512_set1_epi64(static_cast<long long>(m.lowToLow));
  const __m512i highToLow = _mm512_set1_epi64(static_cast<long long>(m.highToLow));
  const __m512i lowToHigh = _mm512_set1_epi64(static_cast<long long>(m.lowToHigh));
  const __m512i highToHigh = _mm512_set1_epi64(static_cast<long long>(m.highToHigh));
  const __m512i swapBytes =
      Broadcast128(_mm_setr_epi8(1, 0, 3, 2, 5, 4, 7, 6, 9, 8, 11, 10, 13, 12, 15, 14));
  constexpr __mmask64 kLowBytes = 0x5555555555555555ull;
  constexpr __mmask64 kHighBytes = ~kLowBytes;
  for (std::size_t i = 0; i < bytes; i += 64) {
    const __m512i v = _mm512_loadu_si512(src + i);
    const __m512i s = _mm512_shuffle_epi8(v, swapBytes);
    __m512i own = _mm512_maskz_gf2p8affine_epi64_epi8(kLowBytes, v, lowToLow, 0);
    own = _mm512_mask_gf2p8affine_epi64_epi8(own, kHighBytes, v, highToHigh, 0);
    __m512i cross = _mm512_maskz_gf2p8affine_epi64_epi8(kLowBytes, s, highToLow, 0);
    cross = _mm512_mask_gf2p8affine_epi64_epi8(cross, kHighBytes, s, lowToHigh, 0);
    std::byte* d = dst + i;
    _mm512_storeu_si512(d, _mm512_ternarylogic_epi32(_mm512_loadu_si512(d), own, cross, 0x96));
  }
}

struct Features {
  bool ssse3 = false, avx2 = false, avx512 = false, gfni = false;
};

// The wide registers count only when the system saves them: XGETBV tells which state it keeps.
Features ProcessorFeatures() {
  Features f;
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return f;
  f.ssse3 = (ecx & bit_SSSE3) != 0;
  if ((ecx & bit_OSXSAVE) == 0 || (ecx & bit_AVX) == 0) return f;
  unsigned xcr0 = 0, xcr0High = 0;
  __asm__("xgetbv" : "=a"(xcr0), "=d"(xcr0High) : "c"(0));
  const bool ymmSaved = (xcr0 & 0x06) == 0x06;
  const bool zmmSaved = (xcr0 & 0xE6) == 0xE6;
  if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) return f;
  f.avx2 = ymmSaved && (ebx & bit_AVX2) != 0;
  f.avx512 = zmmSaved && (ebx & bit_AVX512F) != 0 && (ebx & bit_AVX512BW) != 0;
  f.gfni = f.avx512 && (ecx & bit_GFNI) != 0;
  return f;
}

const Features& CachedFeatures() {
  static const Features features = ProcessorFeatures();
  return features;
}

}  // namespace

ManyKernel Ssse3Kernel() {
  if (!CachedFeatures().ssse3) return nullptr;
  return BlockedMany<NibbleTables, NibbleTablesOf, Ssse3Apply, 32>;
}

ManyKernel Avx2Kernel() {
  if (!CachedFeatures().avx2) return nullptr;
  return Avx2Many;
}

ManyKernel Avx512Kernel() {
  if (!CachedFeatures().avx512) return nullptr;
  return BlockedMany<NibbleTables, NibbleTablesOf, Avx512Apply, 128>;
}

ManyKernel GfniKernel() {
  if (!CachedFeatures().gfni) return nullptr;
  return BlockedMany<AffineMatrices, AffineMatricesOf, GfniApply, 64>;
}

#else

ManyKernel Ssse3Kernel() { return nullptr; }
ManyKernel Avx2Kernel() { return nullptr; }
ManyKernel Avx512Kernel() { return nullptr; }
ManyKernel GfniKernel() { return nullptr; }

#endif

}  // namespace gf16::detail
