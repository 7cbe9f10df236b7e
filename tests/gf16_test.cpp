#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "engine/recovery/gf16.h"
#include "engine/recovery/gf16_matrix.h"

namespace {

using gf16::Kernel;

// Shift-and-add multiplication, independent of the tables under test.
std::uint16_t SlowMultiply(std::uint16_t a, std::uint16_t b) {
  std::uint32_t product = 0, x = a;
  for (int bit = 0; bit < 16; ++bit) {
    if (b >> bit & 1) product ^= x;
    x <<= 1;
    if (x & 0x10000) x ^= 0x1100B;
  }
  return static_cast<std::uint16_t>(product);
}

std::vector<std::byte> RandomBytes(std::size_t n, std::mt19937& rng) {
  std::vector<std::byte> bytes(n);
  for (std::byte& b : bytes) b = static_cast<std::byte>(rng());
  return bytes;
}

TEST(Gf16Field, MultiplicationMatchesShiftAndAddAndObeysTheFieldLaws) {
  std::mt19937 rng(1);
  for (int i = 0; i < 20000; ++i) {
    const auto a = static_cast<std::uint16_t>(rng()), b = static_cast<std::uint16_t>(rng()),
               c = static_cast<std::uint16_t>(rng());
    ASSERT_EQ(gf16::Multiply(a, b), SlowMultiply(a, b)) << a << " " << b;
    ASSERT_EQ(gf16::Multiply(a, b), gf16::Multiply(b, a));
    ASSERT_EQ(gf16::Multiply(gf16::Multiply(a, b), c), gf16::Multiply(a, gf16::Multiply(b, c)));
    ASSERT_EQ(gf16::Multiply(a, b ^ c), gf16::Multiply(a, b) ^ gf16::Multiply(a, c));
    if (b != 0) {
      ASSERT_EQ(gf16::Multiply(gf16::Divide(a, b), b), a);
    }
  }
  EXPECT_EQ(gf16::Multiply(0, 0xFFFF), 0);
  EXPECT_EQ(gf16::Multiply(1, 0xFFFF), 0xFFFF);
  EXPECT_EQ(gf16::Divide(0, 7), 0);
}

TEST(Gf16Field, EveryNonZeroElementHasItsInverse) {
  for (std::uint32_t a = 1; a < 65536; ++a) {
    ASSERT_EQ(
        gf16::Multiply(static_cast<std::uint16_t>(a), gf16::Inverse(static_cast<std::uint16_t>(a))),
        1)
        << a;
  }
}

TEST(Gf16Field, PowersAgreeWithRepeatedMultiplication) {
  std::uint16_t two = 1;
  for (std::uint32_t n = 0; n < 70000; ++n) {
    ASSERT_EQ(gf16::Exp2(n), two) << n;
    ASSERT_EQ(gf16::Power(2, n), two) << n;
    two = SlowMultiply(two, 2);
  }
  EXPECT_EQ(gf16::Exp2(65535), 1);  // 2 generates the whole group
  EXPECT_EQ(gf16::Power(0, 0), 1);
  EXPECT_EQ(gf16::Power(0, 5), 0);
  EXPECT_EQ(gf16::Power(0x1234, 3), SlowMultiply(SlowMultiply(0x1234, 0x1234), 0x1234));
  EXPECT_EQ(gf16::Power(0x1234, 0xFFFFFFFFu), gf16::Power(0x1234, 0xFFFFFFFFu % 65535));
}

constexpr const char* kKernelNames[] = {"portable", "ssse3", "avx2", "avx512", "gfni"};

class Gf16Kernels : public testing::TestWithParam<Kernel> {
 protected:
  void SetUp() override {
    if (!gf16::KernelAvailable(GetParam())) GTEST_SKIP() << "not offered by this processor";
  }
};

// Every kernel adds into destinations at odd addresses, over lengths that leave tails of each
// size, exactly what the word-by-word definition gives.
TEST_P(Gf16Kernels, GiveTheBytesOfTheWordByWordDefinition) {
  std::mt19937 rng(7);
  const std::uint16_t fixedFactors[] = {0, 1, 0xFFFF, 2, 0x8000};
  for (std::size_t bytes : {0, 2, 30, 62, 64, 126, 130, 4094, 4096, 4098, 9000, 65536 + 190}) {
    for (std::size_t destinations : {1, 3, 9, 40}) {
      const std::size_t offset = 1 + bytes % 7;
      const std::vector<std::byte> source = RandomBytes(bytes + offset, rng);
      std::vector<std::vector<std::byte>> dst, expected;
      std::vector<std::byte*> pointers;
      std::vector<std::uint16_t> factors;
      for (std::size_t j = 0; j < destinations; ++j) {
        factors.push_back(j < std::size(fixedFactors) ? fixedFactors[j]
                                                      : static_cast<std::uint16_t>(rng()));
        dst.push_back(RandomBytes(bytes + 3, rng));
        expected.push_back(dst.back());
        for (std::size_t i = 0; i + 1 < bytes; i += 2) {
          const std::byte* s = source.data() + offset + i;
          const std::uint16_t p = SlowMultiply(
              factors[j], static_cast<std::uint16_t>(static_cast<unsigned>(s[0]) |
                                                     static_cast<unsigned>(s[1]) << 8));
          expected[j][3 + i] ^= static_cast<std::byte>(p & 0xFF);
          expected[j][3 + i + 1] ^= static_cast<std::byte>(p >> 8);
        }
      }
      for (auto& d : dst) pointers.push_back(d.data() + 3);
      gf16::MultiplyAccumulateMany(GetParam(), pointers, factors, source.data() + offset, bytes);
      ASSERT_EQ(dst, expected) << bytes << " bytes, " << destinations << " destinations";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(, Gf16Kernels,
                         testing::Values(Kernel::portable, Kernel::ssse3, Kernel::avx2,
                                         Kernel::avx512, Kernel::gfni),
                         [](const testing::TestParamInfo<Kernel>& info) {
                           return std::string(kKernelNames[static_cast<int>(info.param)]);
                         });

TEST(Gf16Matrix, InputSliceConstantsSkipTheExcludedPowers) {
  const std::vector<std::uint16_t> constants = InputSliceConstants(9);
  const std::uint32_t n[] = {1, 2, 4, 7, 8, 11, 13, 14, 16};
  ASSERT_EQ(constants.size(), std::size(n));
  for (std::size_t i = 0; i < std::size(n); ++i) EXPECT_EQ(constants[i], gf16::Exp2(n[i])) << i;
  EXPECT_EQ(InputSliceConstants(32768).back(), gf16::Exp2(65534));
}

// Recovery slices of random input slices, made with the plain arithmetic.
struct RecoverySet {
  std::vector<std::uint16_t> constants;
  std::vector<std::vector<std::uint16_t>> slices;

  std::vector<std::uint16_t> Recovery(std::uint32_t exponent) const {
    std::vector<std::uint16_t> sum(slices[0].size());
    for (std::size_t i = 0; i < slices.size(); ++i) {
      const std::uint16_t c = gf16::Power(constants[i], exponent);
      for (std::size_t w = 0; w < sum.size(); ++w) sum[w] ^= SlowMultiply(c, slices[i][w]);
    }
    return sum;
  }
};

// Rebuilds the slices `missing` from the recovery slices of `exponents`, as a reader would.
void ExpectRebuilt(const RecoverySet& set, const std::vector<std::size_t>& missing,
                   const std::vector<std::uint32_t>& exponents) {
  std::vector<std::uint16_t> missingConstants;
  for (std::size_t m : missing) missingConstants.push_back(set.constants[m]);
  const std::optional<RecoverySolution> solution = SolveRecovery(missingConstants, exponents);
  ASSERT_TRUE(solution);
  const std::size_t k = missing.size();
  ASSERT_EQ(solution->exponents.size(), k);
  std::vector<std::vector<std::uint16_t>> syndromes;
  for (std::uint32_t e : solution->exponents) {
    std::vector<std::uint16_t> s = set.Recovery(e);
    for (std::size_t i = 0; i < set.slices.size(); ++i) {
      if (std::find(missing.begin(), missing.end(), i) != missing.end()) continue;
      const std::uint16_t c = gf16::Power(set.constants[i], e);
      for (std::size_t w = 0; w < s.size(); ++w) s[w] ^= SlowMultiply(c, set.slices[i][w]);
    }
    syndromes.push_back(s);
  }
  for (std::size_t m = 0; m < k; ++m) {
    std::vector<std::uint16_t> rebuilt(set.slices[0].size());
    for (std::size_t j = 0; j < k; ++j) {
      for (std::size_t w = 0; w < rebuilt.size(); ++w) {
        rebuilt[w] ^= SlowMultiply(solution->inverse[m * k + j], syndromes[j][w]);
      }
    }
    EXPECT_EQ(rebuilt, set.slices[missing[m]]) << "slice " << missing[m];
  }
}

RecoverySet RandomSet(std::size_t count, std::size_t words, std::mt19937& rng) {
  RecoverySet set{InputSliceConstants(static_cast<std::uint32_t>(count)), {}};
  for (std::size_t i = 0; i < count; ++i) {
    std::vector<std::uint16_t> slice(words);
    for (auto& w : slice) w = static_cast<std::uint16_t>(rng());
    set.slices.push_back(slice);
  }
  return set;
}

TEST(Gf16Matrix, SolvedSystemRebuildsTheMissingSlices) {
  std::mt19937 rng(3);
  const RecoverySet set = RandomSet(40, 64, rng);
  ExpectRebuilt(set, {5}, {0});
  ExpectRebuilt(set, {0, 1, 2, 39}, {3, 10, 11, 200});
  std::vector<std::size_t> many;
  std::vector<std::uint32_t> exponents;
  for (std::size_t i = 0; i < 40; i += 2) many.push_back(i);
  for (std::uint32_t e = 0; e < many.size(); ++e) exponents.push_back(e * 7 + 1);
  ExpectRebuilt(set, many, exponents);
}

// Rows e and f are proportional for constants a and b when (a / b)^(f - e) = 1: with e = 0,
// found among the first constants for a small f.
TEST(Gf16Matrix, ExponentThatMakesTheSystemSingularIsPassedOver) {
  const std::vector<std::uint16_t> constants = InputSliceConstants(300);
  std::size_t other = 0;
  std::uint32_t f = 0;
  for (std::size_t i = 1; i < constants.size() && f == 0; ++i) {
    const std::uint16_t ratio = gf16::Divide(constants[0], constants[i]);
    for (std::uint32_t e = 1; e < 400 && f == 0; ++e) {
      if (gf16::Power(ratio, e) == 1) other = i, f = e;
    }
  }
  ASSERT_NE(f, 0u) << "no singular pair among the first constants";
  std::mt19937 rng(5);
  const RecoverySet set = RandomSet(other + 1, 16, rng);
  const std::vector<std::uint16_t> pair = {constants[0], constants[other]};
  const std::vector<std::uint32_t> withSingular = {0, f, 4};
  const auto solution = SolveRecovery(pair, withSingular);
  ASSERT_TRUE(solution);
  EXPECT_EQ(solution->exponents, (std::vector<std::uint32_t>{0, 4}));
  ExpectRebuilt(set, {0, other}, withSingular);
  EXPECT_FALSE(SolveRecovery(pair, std::vector<std::uint32_t>{0, f}));
  // A dependent row met after several pivots (65535 gives the row of 0) is reduced by rows that
  // later pivots have already changed.
  const RecoverySet four = RandomSet(6, 16, rng);
  ExpectRebuilt(four, {0, 2, 3, 5}, {0, 1, 2, 65535, 3});
}

TEST(Gf16Matrix, TooFewExponentsGiveNothingAndNoneMissingGivesAnEmptySolution) {
  const std::vector<std::uint16_t> constants = InputSliceConstants(3);
  EXPECT_FALSE(SolveRecovery(constants, std::vector<std::uint32_t>{0, 1}));
  const auto empty = SolveRecovery({}, std::vector<std::uint32_t>{});
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->inverse.empty());
}

}  // namespace
