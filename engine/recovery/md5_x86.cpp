#include <utility>

#include "engine/recovery/md5_kernels.h"

#if defined(__x86_64__)
#include <immintrin.h>
#define PW_MD5_X86 1
#endif

namespace md5::detail {

#ifdef PW_MD5_X86

namespace {

// Each step's constant in all eight lanes, read from memory by the add that takes it: built in
// the register instead, each would cost three instructions.
struct WideSines {
  alignas(32) std::uint32_t lanes[64][kLanes];
};

constexpr WideSines MakeWideSines() {
  WideSines w{};
  for (int step = 0; step < 64; ++step) {
    for (std::size_t i = 0; i < kLanes; ++i) w.lanes[step][i] = kSines[step];
  }
  return w;
}

constexpr WideSines kWideSines = MakeWideSines();

// The kernel's helpers, compiled for AVX2 and always folded into it: its 64 steps written out
// would otherwise outgrow what the compiler inlines of its own accord.
#define PW_AVX2 __attribute__((target("avx2"), always_inline)) inline

// Four words of every lane's block from byte `at` on, word k of lane i in element i of
// words[k]: a 4-by-4 transpose within each half of the register, lane i in the low half and
// lane i + 4 in the high half from the start, so that no word crosses between the halves.
PW_AVX2 void TransposeFour(const std::uint8_t* const* blocks, std::size_t at, __m256i* words) {
  __m256i rows[4];
  for (int i = 0; i < 4; ++i) {
    const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(blocks[i] + at));
    const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(blocks[i + 4] + at));
    rows[i] = _mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1);
  }
  const __m256i t0 = _mm256_unpacklo_epi32(rows[0], rows[1]);
  const __m256i t1 = _mm256_unpackhi_epi32(rows[0], rows[1]);
  const __m256i t2 = _mm256_unpacklo_epi32(rows[2], rows[3]);
  const __m256i t3 = _mm256_unpackhi_epi32(rows[2], rows[3]);
  words[0] = _mm256_unpacklo_epi64(t0, t2);
  words[1] = _mm256_unpackhi_epi64(t0, t2);
  words[2] = _mm256_unpacklo_epi64(t1, t3);
  words[3] = _mm256_unpackhi_epi64(t1, t3);
}

PW_AVX2 void LoadWords(const std::uint8_t* const* blocks, std::size_t at, __m256i* words) {
  for (int quarter = 0; quarter < 4; ++quarter) {
    TransposeFour(blocks, at + 16 * quarter, words + 4 * quarter);
  }
}

// Holds a step's sum of the word, the constant and a before the terms that wait for b are added:
// the compiler would otherwise add those first and the rest after them, which puts two adds
// instead of one between b and the next step and costs a fifth of the speed.
PW_AVX2 void KeepSum(__m256i& a) { asm("" : "+x"(a)); }

// One step on every lane, as the scalar Step in md5.cpp: the terms that do not wait for b come
// first. AVX2 has no rotate: two shifts and an or.
template <int kStep>
PW_AVX2 void Step(__m256i& a, __m256i b, __m256i c, __m256i d, const __m256i* words) {
  constexpr int round = kStep / 16;
  constexpr int shift = kShifts[kStep];
  a = _mm256_add_epi32(
      a, _mm256_add_epi32(
             words[WordOfStep(kStep)],
             _mm256_load_si256(reinterpret_cast<const __m256i*>(kWideSines.lanes[kStep]))));
  KeepSum(a);
  if constexpr (round == 0) {
    a = _mm256_add_epi32(a, _mm256_xor_si256(d, _mm256_and_si256(b, _mm256_xor_si256(c, d))));
  } else if constexpr (round == 1) {
    a = _mm256_add_epi32(a, _mm256_andnot_si256(d, c));
    a = _mm256_add_epi32(a, _mm256_and_si256(b, d));
  } else if constexpr (round == 2) {
    a = _mm256_add_epi32(a, _mm256_xor_si256(b, _mm256_xor_si256(c, d)));
  } else {
    const __m256i notD = _mm256_xor_si256(d, _mm256_set1_epi32(-1));
    a = _mm256_add_epi32(a, _mm256_xor_si256(c, _mm256_or_si256(b, notD)));
  }
  a = _mm256_add_epi32(
      b, _mm256_or_si256(_mm256_slli_epi32(a, shift), _mm256_srli_epi32(a, 32 - shift)));
}

struct Lanes {
  __m256i a, b, c, d;

  template <int kStep>
  PW_AVX2 void Take(const __m256i* words) {
    Step<kStep>(a, b, c, d, words);
    const __m256i t = d;
    d = c;
    c = b;
    b = a;
    a = t;
  }
};

PW_AVX2 __m256i Gather(State* const* states, int word) {
  return _mm256_setr_epi32(
      static_cast<int>((*states[0])[word]), static_cast<int>((*states[1])[word]),
      static_cast<int>((*states[2])[word]), static_cast<int>((*states[3])[word]),
      static_cast<int>((*states[4])[word]), static_cast<int>((*states[5])[word]),
      static_cast<int>((*states[6])[word]), static_cast<int>((*states[7])[word]));
}

PW_AVX2 void Scatter(__m256i lanes, State* const* states, int word) {
  alignas(32) std::uint32_t values[kLanes];
  _mm256_store_si256(reinterpret_cast<__m256i*>(values), lanes);
  for (std::size_t i = 0; i < kLanes; ++i) (*states[i])[word] = values[i];
}

PW_AVX2 Lanes GatherLanes(State* const* states) {
  return {Gather(states, 0), Gather(states, 1), Gather(states, 2), Gather(states, 3)};
}

PW_AVX2 void ScatterLanes(const Lanes& s, State* const* states) {
  Scatter(s.a, states, 0);
  Scatter(s.b, states, 1);
  Scatter(s.c, states, 2);
  Scatter(s.d, states, 3);
}

PW_AVX2 void AddLanes(Lanes& s, const Lanes& w) {
  s.a = _mm256_add_epi32(s.a, w.a);
  s.b = _mm256_add_epi32(s.b, w.b);
  s.c = _mm256_add_epi32(s.c, w.c);
  s.d = _mm256_add_epi32(s.d, w.d);
}

template <int... kSteps>
__attribute__((target("avx2"))) void CompressEight(State* const* states,
                                                   const std::uint8_t* const* blocks,
                                                   std::size_t count,
                                                   std::integer_sequence<int, kSteps...>) {
  Lanes s = GatherLanes(states);
  for (std::size_t at = 0; at < count * kBlockSize; at += kBlockSize) {
    __m256i words[16];
    LoadWords(blocks, at, words);
    Lanes w = s;
    (w.Take<kSteps>(words), ...);
    AddLanes(s, w);
  }
  ScatterLanes(s, states);
}

// Two registers of eight lanes, step by step in one stream of instructions: each step of a
// digest waits for the one before it, and the other register's step fills that wait, so sixteen
// digests take about the time of eight.
template <int... kSteps>
__attribute__((target("avx2"))) void CompressSixteen(State* const* states,
                                                     const std::uint8_t* const* blocks,
                                                     std::size_t count,
                                                     std::integer_sequence<int, kSteps...>) {
  Lanes s = GatherLanes(states);
  Lanes t = GatherLanes(states + kLanes);
  for (std::size_t at = 0; at < count * kBlockSize; at += kBlockSize) {
    __m256i words[16];
    __m256i otherWords[16];
    LoadWords(blocks, at, words);
    LoadWords(blocks + kLanes, at, otherWords);
    Lanes v = s;
    Lanes w = t;
    ((v.Take<kSteps>(words), w.Take<kSteps>(otherWords)), ...);
    AddLanes(s, v);
    AddLanes(t, w);
  }
  ScatterLanes(s, states);
  ScatterLanes(t, states + kLanes);
}

#undef PW_AVX2

// AVX-512 has a rotate and a three-input logic instruction, so a step of sixteen lanes in one
// register takes six instructions where AVX2 takes about eleven for eight.
#define PW_AVX512 __attribute__((target("avx512f"), always_inline)) inline

// The truth table of the three-input logic instruction for f(b, c, d), b the first input.
template <class F>
constexpr int LogicTable(F f) {
  int table = 0;
  for (int i = 0; i < 8; ++i) {
    if (f((i >> 2) & 1, (i >> 1) & 1, i & 1) & 1) table |= 1 << i;
  }
  return table;
}

constexpr int kRoundLogic[4] = {LogicTable([](int b, int c, int d) { return (b & c) | (~b & d); }),
                                LogicTable([](int b, int c, int d) { return (b & d) | (c & ~d); }),
                                LogicTable([](int b, int c, int d) { return b ^ c ^ d; }),
                                LogicTable([](int b, int c, int d) { return c ^ (b | ~d); })};

// The masked forms with every lane chosen, as the unmasked ones trip GCC 12's
// uninitialised-value warning.
constexpr __mmask16 kAll = 0xFFFF;
constexpr __mmask8 kAllPairs = 0xFF;

// Four words of every lane's block from byte `at` on: lanes i, i + 4, i + 8 and i + 12 in the
// four quarters of one register, then a 4-by-4 transpose within each quarter, as for AVX2.
PW_AVX512 void TransposeFourWide(const std::uint8_t* const* blocks, std::size_t at,
                                 __m512i* words) {
  const auto part = [&](int lane) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(blocks[lane] + at));
  };
  __m512i rows[4];
  for (int i = 0; i < 4; ++i) {
    __m512i row = _mm512_zextsi128_si512(part(i));
    row = _mm512_inserti32x4(row, part(i + 4), 1);
    row = _mm512_inserti32x4(row, part(i + 8), 2);
    rows[i] = _mm512_inserti32x4(row, part(i + 12), 3);
  }
  const __m512i t0 = _mm512_maskz_unpacklo_epi32(kAll, rows[0], rows[1]);
  const __m512i t1 = _mm512_maskz_unpackhi_epi32(kAll, rows[0], rows[1]);
  const __m512i t2 = _mm512_maskz_unpacklo_epi32(kAll, rows[2], rows[3]);
  const __m512i t3 = _mm512_maskz_unpackhi_epi32(kAll, rows[2], rows[3]);
  words[0] = _mm512_maskz_unpacklo_epi64(kAllPairs, t0, t2);
  words[1] = _mm512_maskz_unpackhi_epi64(kAllPairs, t0, t2);
  words[2] = _mm512_maskz_unpacklo_epi64(kAllPairs, t1, t3);
  words[3] = _mm512_maskz_unpackhi_epi64(kAllPairs, t1, t3);
}

// As KeepSum for AVX2.
PW_AVX512 void KeepSum(__m512i& a) { asm("" : "+v"(a)); }

template <int kStep>
PW_AVX512 void WideStep(__m512i& a, __m512i b, __m512i c, __m512i d, const __m512i* words) {
  a = _mm512_add_epi32(a, _mm512_add_epi32(words[WordOfStep(kStep)],
                                           _mm512_set1_epi32(static_cast<int>(kSines[kStep]))));
  KeepSum(a);
  // Constants of their own, as an unoptimised build takes only those as immediates.
  constexpr int kLogic = kRoundLogic[kStep / 16];
  constexpr int kShift = kShifts[kStep];
  a = _mm512_add_epi32(a, _mm512_ternarylogic_epi32(b, c, d, kLogic));
  a = _mm512_add_epi32(b, _mm512_maskz_rol_epi32(kAll, a, kShift));
}

struct WideLanes {
  __m512i a, b, c, d;

  template <int kStep>
  PW_AVX512 void Take(const __m512i* words) {
    WideStep<kStep>(a, b, c, d, words);
    const __m512i t = d;
    d = c;
    c = b;
    b = a;
    a = t;
  }
};

PW_AVX512 __m512i GatherWide(State* const* states, int word) {
  alignas(64) std::uint32_t values[kPairLanes];
  for (std::size_t i = 0; i < kPairLanes; ++i) values[i] = (*states[i])[word];
  return _mm512_load_si512(values);
}

PW_AVX512 void ScatterWide(__m512i lanes, State* const* states, int word) {
  alignas(64) std::uint32_t values[kPairLanes];
  _mm512_store_si512(values, lanes);
  for (std::size_t i = 0; i < kPairLanes; ++i) (*states[i])[word] = values[i];
}

PW_AVX512 WideLanes GatherWideLanes(State* const* states) {
  return {GatherWide(states, 0), GatherWide(states, 1), GatherWide(states, 2),
          GatherWide(states, 3)};
}

PW_AVX512 void ScatterWideLanes(const WideLanes& s, State* const* states) {
  ScatterWide(s.a, states, 0);
  ScatterWide(s.b, states, 1);
  ScatterWide(s.c, states, 2);
  ScatterWide(s.d, states, 3);
}

PW_AVX512 void AddWideLanes(WideLanes& s, const WideLanes& w) {
  s.a = _mm512_add_epi32(s.a, w.a);
  s.b = _mm512_add_epi32(s.b, w.b);
  s.c = _mm512_add_epi32(s.c, w.c);
  s.d = _mm512_add_epi32(s.d, w.d);
}

PW_AVX512 void LoadWideWords(const std::uint8_t* const* blocks, std::size_t at, __m512i* words) {
  for (int quarter = 0; quarter < 4; ++quarter) {
    TransposeFourWide(blocks, at + 16 * quarter, words + 4 * quarter);
  }
}

// One step on each register's lanes, one register after the other in the stream of
// instructions: a step waits about four instructions for the one before it, and the other
// registers' steps fill that wait.
template <int kStep, std::size_t kRegisters>
PW_AVX512 void TakeEach(WideLanes (&lanes)[kRegisters], const __m512i (&words)[kRegisters][16]) {
#pragma GCC unroll 4
  for (std::size_t r = 0; r < kRegisters; ++r) lanes[r].template Take<kStep>(words[r]);
}

template <std::size_t kRegisters, int... kSteps>
__attribute__((target("avx512f"))) void CompressWide(State* const* states,
                                                     const std::uint8_t* const* blocks,
                                                     std::size_t count,
                                                     std::integer_sequence<int, kSteps...>) {
  WideLanes s[kRegisters];
#pragma GCC unroll 4
  for (std::size_t r = 0; r < kRegisters; ++r) s[r] = GatherWideLanes(states + r * kPairLanes);
  for (std::size_t at = 0; at < count * kBlockSize; at += kBlockSize) {
    __m512i words[kRegisters][16];
    WideLanes w[kRegisters];
#pragma GCC unroll 4
    for (std::size_t r = 0; r < kRegisters; ++r) {
      LoadWideWords(blocks + r * kPairLanes, at, words[r]);
      w[r] = s[r];
    }
    (TakeEach<kSteps>(w, words), ...);
#pragma GCC unroll 4
    for (std::size_t r = 0; r < kRegisters; ++r) AddWideLanes(s[r], w[r]);
  }
#pragma GCC unroll 4
  for (std::size_t r = 0; r < kRegisters; ++r) ScatterWideLanes(s[r], states + r * kPairLanes);
}

#undef PW_AVX512

void Avx512Sixteen(State* const* states, const std::uint8_t* const* blocks, std::size_t count) {
  CompressWide<1>(states, blocks, count, std::make_integer_sequence<int, 64>{});
}

void Avx512ThirtyTwo(State* const* states, const std::uint8_t* const* blocks, std::size_t count) {
  CompressWide<2>(states, blocks, count, std::make_integer_sequence<int, 64>{});
}

bool HasAvx512() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx512f");
}

void Avx2Eight(State* const* states, const std::uint8_t* const* blocks, std::size_t count) {
  CompressEight(states, blocks, count, std::make_integer_sequence<int, 64>{});
}

void Avx2Sixteen(State* const* states, const std::uint8_t* const* blocks, std::size_t count) {
  CompressSixteen(states, blocks, count, std::make_integer_sequence<int, 64>{});
}

bool HasAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
}

}  // namespace

LaneKernel Avx2Kernel() { return HasAvx2() ? Avx2Eight : nullptr; }

LaneKernel Avx2PairKernel() { return HasAvx2() ? Avx2Sixteen : nullptr; }

LaneKernel Avx512Kernel() { return HasAvx512() ? Avx512Sixteen : nullptr; }

LaneKernel Avx512PairKernel() { return HasAvx512() ? Avx512ThirtyTwo : nullptr; }

#else

LaneKernel Avx2Kernel() { return nullptr; }

LaneKernel Avx2PairKernel() { return nullptr; }

LaneKernel Avx512Kernel() { return nullptr; }

LaneKernel Avx512PairKernel() { return nullptr; }

#endif

}  // namespace md5::detail
