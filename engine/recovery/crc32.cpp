#include "engine/recovery/crc32.h"

#include <array>

#if defined(__x86_64__)
#include <cpuid.h>
#include <immintrin.h>
#define PW_CRC32_X86 1
#endif

namespace {

constexpr std::uint32_t kPolynomial = 0xEDB88320;

// Eight tables: table k gives the CRC of a byte followed by k zero bytes, so that eight bytes
// are taken per step.
constexpr std::array<std::array<std::uint32_t, 256>, 8> MakeTables() {
  std::array<std::array<std::uint32_t, 256>, 8> tables{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? kPolynomial ^ (c >> 1) : c >> 1;
    tables[0][n] = c;
  }
  for (std::uint32_t n = 0; n < 256; ++n) {
    for (int t = 1; t < 8; ++t) {
      const std::uint32_t previous = tables[t - 1][n];
      tables[t][n] = (previous >> 8) ^ tables[0][previous & 0xFF];
    }
  }
  return tables;
}

constexpr auto kTables = MakeTables();

// The 32-by-32 matrix over GF(2) that appends zero bytes, as 32 columns.
using Matrix = std::array<std::uint32_t, 32>;

std::uint32_t Apply(const Matrix& m, std::uint32_t vector) {
  std::uint32_t sum = 0;
  for (int i = 0; vector != 0; ++i, vector >>= 1) {
    if ((vector & 1) != 0) sum ^= m[i];
  }
  return sum;
}

Matrix Square(const Matrix& m) {
  Matrix result{};
  for (int i = 0; i < 32; ++i) result[i] = Apply(m, m[i]);
  return result;
}

// Eight bytes a step through the tables, on the register (the CRC's complement).
std::uint32_t TableRegister(std::uint32_t c, const std::uint8_t* p, std::size_t size) {
  for (; size >= 8; p += 8, size -= 8) {
    const std::uint32_t low = c ^ (std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 |
                                   std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24);
    c = kTables[7][low & 0xFF] ^ kTables[6][(low >> 8) & 0xFF] ^ kTables[5][(low >> 16) & 0xFF] ^
        kTables[4][low >> 24] ^ kTables[3][p[4]] ^ kTables[2][p[5]] ^ kTables[1][p[6]] ^
        kTables[0][p[7]];
  }
  for (; size > 0; ++p, --size) c = (c >> 8) ^ kTables[0][(c ^ *p) & 0xFF];
  return c;
}

#ifdef PW_CRC32_X86

// The data as a polynomial over GF(2), 128 bits at a time, carried forward by carry-less
// multiplication by x to the power of the distance, modulo the CRC's polynomial: four lanes
// 64 bytes apart, folded into one, then brought down to 32 bits. Each constant is such a power
// modulo the polynomial, bit-reflected as the CRC is.
constexpr long long kFold64Low = 0x154442bd4, kFold64High = 0x1c6e41596;
constexpr long long kFold16Low = 0x1751997d0, kFold16High = 0x0ccaa009e;
constexpr long long kFold8To4 = 0x163cd6124;
constexpr long long kPolynomialTimesX = 0x1db710641, kBarrettQuotient = 0x1f7011641;

__attribute__((target("pclmul,sse4.1"))) inline __m128i Fold(__m128i x, __m128i constants,
                                                             __m128i next) {
  const __m128i low = _mm_clmulepi64_si128(x, constants, 0x00);
  const __m128i high = _mm_clmulepi64_si128(x, constants, 0x11);
  return _mm_xor_si128(_mm_xor_si128(low, high), next);
}

__attribute__((target("pclmul,sse4.1"))) inline __m128i Load(const std::uint8_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// Four lanes of 128 bits, 16 bytes apart, each to be folded forward by 64 bytes at a time.
struct FourLanes {
  __m128i x0, x1, x2, x3;
};

// The register after the lanes and then `size` bytes, a multiple of 16.
__attribute__((target("pclmul,sse4.1"))) std::uint32_t FoldLanes(const FourLanes& lanes,
                                                                 const std::uint8_t* p,
                                                                 std::size_t size) {
  const __m128i fold64 = _mm_set_epi64x(kFold64High, kFold64Low);
  const __m128i fold16 = _mm_set_epi64x(kFold16High, kFold16Low);
  auto [x0, x1, x2, x3] = lanes;
  for (; size >= 64; p += 64, size -= 64) {
    x0 = Fold(x0, fold64, Load(p));
    x1 = Fold(x1, fold64, Load(p + 16));
    x2 = Fold(x2, fold64, Load(p + 32));
    x3 = Fold(x3, fold64, Load(p + 48));
  }
  x0 = Fold(Fold(Fold(x0, fold16, x1), fold16, x2), fold16, x3);
  for (; size >= 16; p += 16, size -= 16) x0 = Fold(x0, fold16, Load(p));
  const __m128i low32 = _mm_set_epi32(0, 0, 0, -1);
  // Folded down to 64 bits, the CRC's 32 and as many again...
  __m128i x = _mm_xor_si128(_mm_clmulepi64_si128(x0, fold16, 0x10), _mm_srli_si128(x0, 8));
  x = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x, low32), _mm_set_epi64x(0, kFold8To4), 0),
                    _mm_srli_si128(x, 4));
  // ...which Barrett's reduction takes off: the quotient estimated, times the polynomial.
  const __m128i reduce = _mm_set_epi64x(kBarrettQuotient, kPolynomialTimesX);
  __m128i t = _mm_clmulepi64_si128(_mm_and_si128(x, low32), reduce, 0x10);
  t = _mm_clmulepi64_si128(_mm_and_si128(t, low32), reduce, 0x00);
  return static_cast<std::uint32_t>(_mm_extract_epi32(_mm_xor_si128(x, t), 1));
}

// The register after `size` bytes, a multiple of 16 and at least 64.
__attribute__((target("pclmul,sse4.1"))) std::uint32_t FoldRegister(std::uint32_t c,
                                                                    const std::uint8_t* p,
                                                                    std::size_t size) {
  const FourLanes lanes{_mm_xor_si128(Load(p), _mm_cvtsi32_si128(static_cast<int>(c))),
                        Load(p + 16), Load(p + 32), Load(p + 48)};
  return FoldLanes(lanes, p + 64, size - 64);
}

// With 512-bit carry-less multiplies: sixteen lanes, four to a register and 256 bytes ahead of
// each other's fold, brought back to the four lanes of FoldLanes. The constants are the powers
// of x for 256 bytes, as those above are for 64 and 16.
constexpr long long kFold256Low = 0x11542778a, kFold256High = 0x1322d1430;
constexpr std::size_t kWideStep = 256;

#define PW_WIDE_CLMUL __attribute__((target("avx512f,vpclmulqdq,pclmul,sse4.1")))

PW_WIDE_CLMUL inline __m512i WideConstants(long long low, long long high) {
  // The masked form, as the unmasked one trips GCC 12's uninitialised-value warning.
  return _mm512_maskz_broadcast_i32x4(0xFFFF, _mm_set_epi64x(high, low));
}

PW_WIDE_CLMUL inline __m512i WideFold(__m512i x, __m512i constants, __m512i next) {
  const __m512i low = _mm512_clmulepi64_epi128(x, constants, 0x00);
  const __m512i high = _mm512_clmulepi64_epi128(x, constants, 0x11);
  return _mm512_ternarylogic_epi64(low, high, next, 0x96);
}

// The register after `size` bytes, a multiple of 16 and at least the wide step.
PW_WIDE_CLMUL std::uint32_t WideFoldRegister(std::uint32_t c, const std::uint8_t* p,
                                             std::size_t size) {
  const __m512i fold256 = WideConstants(kFold256Low, kFold256High);
  const __m512i fold64 = WideConstants(kFold64Low, kFold64High);
  __m512i y0 = _mm512_xor_si512(_mm512_loadu_si512(p),
                                _mm512_zextsi128_si512(_mm_cvtsi32_si128(static_cast<int>(c))));
  __m512i y1 = _mm512_loadu_si512(p + 64);
  __m512i y2 = _mm512_loadu_si512(p + 128);
  __m512i y3 = _mm512_loadu_si512(p + 192);
  for (p += kWideStep, size -= kWideStep; size >= kWideStep; p += kWideStep, size -= kWideStep) {
    y0 = WideFold(y0, fold256, _mm512_loadu_si512(p));
    y1 = WideFold(y1, fold256, _mm512_loadu_si512(p + 64));
    y2 = WideFold(y2, fold256, _mm512_loadu_si512(p + 128));
    y3 = WideFold(y3, fold256, _mm512_loadu_si512(p + 192));
  }
  const __m512i y = WideFold(WideFold(WideFold(y0, fold64, y1), fold64, y2), fold64, y3);
  const FourLanes lanes{
      _mm512_maskz_extracti32x4_epi32(0xF, y, 0), _mm512_maskz_extracti32x4_epi32(0xF, y, 1),
      _mm512_maskz_extracti32x4_epi32(0xF, y, 2), _mm512_maskz_extracti32x4_epi32(0xF, y, 3)};
  // The compiler leaves the upper halves of the registers in use, and the code that runs next
  // in the older encoding, the lanes' fold here and the SHA instructions on this thread, would
  // then run at half its speed. The lanes go by reference: copied, they would pass through a
  // wide register again.
  _mm256_zeroupper();
  return FoldLanes(lanes, p, size);
}

#undef PW_WIDE_CLMUL

bool ProcessorHasWideCarryLessMultiply() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("vpclmulqdq");
}

bool ProcessorHasCarryLessMultiply() {
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
  return (ecx & bit_PCLMUL) != 0 && (ecx & bit_SSE4_1) != 0;
}

#endif

}  // namespace

std::uint32_t Crc32(std::uint32_t crc, const void* data, std::size_t size) {
  auto p = static_cast<const std::uint8_t*>(data);
  std::uint32_t c = ~crc;
#ifdef PW_CRC32_X86
  static const bool hasCarryLessMultiply = ProcessorHasCarryLessMultiply();
  static const bool hasWideCarryLessMultiply =
      hasCarryLessMultiply && ProcessorHasWideCarryLessMultiply();
  if (hasCarryLessMultiply && size >= 64) {
    const std::size_t folded = size / 16 * 16;
    // A run shorter than two wide steps gains too little from them to pay for joining the lanes.
    c = hasWideCarryLessMultiply && folded >= 2 * kWideStep ? WideFoldRegister(c, p, folded)
                                                            : FoldRegister(c, p, folded);
    p += folded;
    size -= folded;
  }
#endif
  return ~TableRegister(c, p, size);
}

std::uint32_t Crc32Zeros(std::uint32_t crc, std::uint64_t count) {
  // Zero bytes change the register, not the complement around it: the register is carried
  // through the matrix of one zero bit squared up to each bit of the count.
  Matrix zeroBits{};
  zeroBits[0] = kPolynomial;
  for (int i = 1; i < 32; ++i) zeroBits[i] = 1u << (i - 1);
  Matrix step = Square(Square(Square(zeroBits)));  // one zero byte
  std::uint32_t c = ~crc;
  for (; count != 0; count >>= 1, step = Square(step)) {
    if ((count & 1) != 0) c = Apply(step, c);
  }
  return ~c;
}
