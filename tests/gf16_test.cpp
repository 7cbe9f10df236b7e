#include "engine/recovery/gf16.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "engine/recovery/gf16_matrix.h"

namespace {

// Carry-less multiplication reduced by the generator polynomial, bit by bit.
std::uint16_t SlowMultiply(std::uint16_t a, std::uint16_t b) {
  std::uint32_t product = 0;
  for (int bit = 0; bit < 16; ++bit) {
    if ((b >> bit) & 1) product ^= std::uint32_t{a} << bit;
  }
  for (int bit = 31; bit >= 16; --bit) {
    if ((product >> bit) & 1) product ^= 0x1100Bu << (bit - 16);
  }
  return static_cast<std::uint16_t>(product);
}

TEST(Gf16Test, FieldArithmetic) {
  std::mt19937 random(7);
  for (int i = 0; i < 20'000; ++i) {
    const auto a = static_cast<std::uint16_t>(random());
    const auto b = static_cast<std::uint16_t>(random());
    ASSERT_EQ(gf16::Multiply(a, b), SlowMultiply(a, b)) << a << " " << b;
    if (b != 0) {
      ASSERT_EQ(gf16::Multiply(gf16::Divide(a, b), b), a);
    }
  }
  for (std::uint32_t a = 1; a < 65536; ++a) {
    ASSERT_EQ(
        gf16::Multiply(static_cast<std::uint16_t>(a), gf16::Inverse(static_cast<std::uint16_t>(a))),
        1);
  }
  EXPECT_EQ(gf16::Power(0, 0), 1);
  EXPECT_EQ(gf16::Power(0, 5), 0);
  EXPECT_EQ(gf16::Power(2, 16), 0x100B);
  EXPECT_EQ(gf16::Exp2(65535), 1);
  EXPECT_EQ(gf16::Power(3, 70000), gf16::Power(3, 70000 % 65535));
}

TEST(Gf16Test, MultiplyAccumulateOfEveryKernelMatchesTheField) {
  std::mt19937 random(11);
  std::vector<std::byte> source(70'000);
  for (std::byte& b : source) b = static_cast<std::byte>(random());
  const std::vector<std::uint16_t> factors = {0, 1, 2, 0xFFFF, 0x1234, 0x8000};
  for (gf16::Kernel kernel : {gf16::Kernel::portable, gf16::Kernel::ssse3, gf16::Kernel::avx2,
                              gf16::Kernel::avx512, gf16::Kernel::gfni}) {
    if (!gf16::KernelAvailable(kernel)) continue;
    for (std::size_t offset : {0u, 1u, 6u}) {
      const std::size_t bytes = source.size() - 8 - (offset & 1) * 2;
      std::vector<std::vector<std::byte>> outputs(factors.size(),
                                                  std::vector<std::byte>(bytes + offset));
      std::vector<std::byte*> dst;
      for (auto& out : outputs) {
        for (std::size_t i = 0; i < out.size(); ++i) out[i] = static_cast<std::byte>(i);
        dst.push_back(out.data() + offset);
      }
      gf16::MultiplyAccumulateMany(kernel, dst, factors, source.data() + 1, bytes);
      for (std::size_t j = 0; j < factors.size(); ++j) {
        for (std::size_t w = 0; w < bytes; w += 2) {
          const auto in = static_cast<std::uint16_t>(std::to_integer<int>(source[1 + w]) |
                                                     std::to_integer<int>(source[2 + w]) << 8);
          const std::size_t at = offset + w;
          const auto before = static_cast<std::uint16_t>((at & 0xFF) | ((at + 1) & 0xFF) << 8);
          const auto out = static_cast<std::uint16_t>(
              std::to_integer<int>(outputs[j][at]) | std::to_integer<int>(outputs[j][at + 1]) << 8);
          ASSERT_EQ(out, before ^ gf16::Multiply(in, factors[j])) << j << " at " << w;
        }
      }
    }
  }
}

TEST(Gf16Test, InputSliceConstantsSkipTheExcludedPowers) {
  const std::vector<std::uint16_t> constants = InputSliceConstants(6);
  const std::vector<std::uint16_t> expected = {2, 4, 16, 128, 256, 2048};
  EXPECT_EQ(constants, expected);
  EXPECT_EQ(InputSliceConstants(32768).size(), 32768u);
}

// Recovery words of exponents 0..count-1 of the given slice words.
std::vector<std::uint16_t> Encode(const std::vector<std::uint16_t>& slices,
                                  const std::vector<std::uint16_t>& constants,
                                  const std::vector<std::uint32_t>& exponents) {
  std::vector<std::uint16_t> recovery;
  for (std::uint32_t e : exponents) {
    std::uint16_t sum = 0;
    for (std::size_t i = 0; i < slices.size(); ++i) {
      sum ^= gf16::Multiply(gf16::Power(constants[i], e), slices[i]);
    }
    recovery.push_back(sum);
  }
  return recovery;
}

TEST(Gf16Test, SolvedSystemRebuildsTheMissingSlices) {
  const std::vector<std::uint16_t> constants = InputSliceConstants(40);
  std::mt19937 random(3);
  std::vector<std::uint16_t> slices(40);
  for (auto& s : slices) s = static_cast<std::uint16_t>(random());
  const std::vector<std::uint32_t> exponents = {5, 0, 9, 2, 7, 1};
  const std::vector<std::uint16_t> recovery = Encode(slices, constants, exponents);
  const std::vector<std::size_t> missing = {3, 17, 39, 0, 22};
  std::vector<std::uint16_t> missingConstants;
  for (std::size_t m : missing) missingConstants.push_back(constants[m]);
  const auto solution = SolveRecovery(missingConstants, exponents);
  ASSERT_TRUE(solution);
  ASSERT_EQ(solution->exponents.size(), missing.size());
  std::vector<std::uint16_t> syndromes;
  for (std::uint32_t e : solution->exponents) {
    const std::size_t row = std::find(exponents.begin(), exponents.end(), e) - exponents.begin();
    std::uint16_t s = recovery[row];
    for (std::size_t i = 0; i < slices.size(); ++i) {
      if (std::find(missing.begin(), missing.end(), i) == missing.end()) {
        s ^= gf16::Multiply(gf16::Power(constants[i], e), slices[i]);
      }
    }
    syndromes.push_back(s);
  }
  const std::size_t k = missing.size();
  for (std::size_t m = 0; m < k; ++m) {
    std::uint16_t rebuilt = 0;
    for (std::size_t j = 0; j < k; ++j) {
      rebuilt ^= gf16::Multiply(solution->inverse[m * k + j], syndromes[j]);
    }
    EXPECT_EQ(rebuilt, slices[missing[m]]) << missing[m];
  }
}

TEST(Gf16Test, DependentExponentsArePassedOverAndTooFewRefused) {
  const std::vector<std::uint16_t> constants = InputSliceConstants(3);
  // Exponents 0 and 65535 give the same row: the second is dependent and 4 is taken instead.
  const std::vector<std::uint32_t> exponents = {0, 65535, 4};
  const std::vector<std::uint16_t> missing = {constants[0], constants[2]};
  const auto solution = SolveRecovery(missing, exponents);
  ASSERT_TRUE(solution);
  EXPECT_EQ(solution->exponents, (std::vector<std::uint32_t>{0, 4}));
  const std::vector<std::uint32_t> same = {0, 65535};
  EXPECT_FALSE(SolveRecovery(missing, same));
  const std::vector<std::uint32_t> one = {3};
  EXPECT_FALSE(SolveRecovery(missing, one));
  EXPECT_TRUE(SolveRecovery({}, one));
}

}  // namespace
