#include "engine/checksum.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <numeric>
#include <random>
#include <vector>

#include "engine/file64.h"
#include "tests/support/scratch_folder.h"

namespace {

constexpr ByteSumKernel kAllKernels[] = {ByteSumKernel::portable, ByteSumKernel::sse2,
                                         ByteSumKernel::avx2};

// Bytes that follow no short pattern, the same for the same seed.
std::vector<std::uint8_t> PatternBytes(std::size_t size, std::uint32_t seed = 1) {
  std::mt19937 generator(seed);
  std::vector<std::uint8_t> bytes(size);
  for (std::uint8_t& byte : bytes) byte = static_cast<std::uint8_t>(generator() >> 24);
  return bytes;
}

std::uint32_t ReferenceSum(std::uint32_t sum, const std::uint8_t* data, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) sum += data[i];
  return sum;
}

class ByteSumKernels : public testing::TestWithParam<ByteSumKernel> {
 protected:
  void SetUp() override {
    if (!ByteSumKernelAvailable(GetParam())) GTEST_SKIP() << "not offered by this processor";
  }
};

TEST_P(ByteSumKernels, SumWrapsModulo2To32) {
  // (2^24 + 1) x 255 overflows 32 bits: 4278190335 after the wrap.
  const std::vector<std::uint8_t> ones((1u << 24) + 1, 0xFF);
  EXPECT_EQ(AddByteSumWith(GetParam(), 0, ones.data(), ones.size()), 4278190335u);
  const std::vector<std::uint8_t> sixteen(16, 0x10);
  EXPECT_EQ(AddByteSumWith(GetParam(), 0xFFFFFF00u, sixteen.data(), sixteen.size()), 0u);
}

TEST_P(ByteSumKernels, MatchesPlainAdditionAtEveryLengthAndAlignment) {
  const std::vector<std::uint8_t> data = PatternBytes(4096 + 64);
  for (std::size_t offset = 0; offset < 64; offset += 1) {
    for (std::size_t size :
         {1u, 7u, 8u, 15u, 16u, 17u, 31u, 33u, 63u, 64u, 65u, 127u, 129u, 255u, 1000u, 4095u}) {
      ASSERT_EQ(AddByteSumWith(GetParam(), 77, data.data() + offset, size),
                ReferenceSum(77, data.data() + offset, size))
          << "offset " << offset << ", size " << size;
    }
  }
  for (std::size_t size = 0; size <= 300; ++size) {
    ASSERT_EQ(AddByteSumWith(GetParam(), 0, data.data() + 3, size),
              ReferenceSum(0, data.data() + 3, size))
        << "size " << size;
  }
}

TEST_P(ByteSumKernels, BlockDivisionDoesNotChangeTheSum) {
  const std::vector<std::uint8_t> data = PatternBytes(128 * 1024 + 13, 7);
  const std::uint32_t whole = AddByteSumWith(GetParam(), 0, data.data(), data.size());
  std::uint32_t pieces = 0;
  for (std::size_t at = 0; at < data.size(); at += 8191) {
    pieces = AddByteSumWith(GetParam(), pieces, data.data() + at,
                            std::min<std::size_t>(8191, data.size() - at));
  }
  EXPECT_EQ(pieces, whole);
  EXPECT_EQ(AddByteSum(0, data.data(), data.size()), whole);
}

std::string KernelName(const testing::TestParamInfo<ByteSumKernel>& info) {
  switch (info.param) {
    case ByteSumKernel::sse2:
      return "sse2";
    case ByteSumKernel::avx2:
      return "avx2";
    default:
      return "portable";
  }
}

INSTANTIATE_TEST_SUITE_P(Kernels, ByteSumKernels, testing::ValuesIn(kAllKernels), KernelName);

TEST(RunningChecksum, WeighsEachPieceByItsIndex) {
  struct Case {
    std::uint32_t previous, index, pieceSum, expected;
  } cases[] = {
      {0, 1, 500, 500},              // one piece: the total is its sum
      {500, 2, 0, 500},              // an empty piece changes nothing
      {500, 2, 300, 1100},           //
      {0xFFFFFFF0u, 3, 0x10, 0x20},  // wraps
      {0, 0x10000, 0x10000, 0},      // the product wraps too
      {7, 0xFFFFFFFFu, 2, 5},        //
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NextRunningChecksum(c.previous, c.index, c.pieceSum), c.expected)
        << c.previous << " + " << c.index << " x " << c.pieceSum;
  }
}

TEST(RunningChecksum, MovingAByteToTheNextPieceRaisesTheTotalByItsValue) {
  const std::vector<std::uint8_t> data = PatternBytes(1000, 3);
  auto total = [&](std::size_t firstPieceSize) {
    const std::uint32_t s1 = AddByteSum(0, data.data(), firstPieceSize);
    const std::uint32_t s2 =
        AddByteSum(0, data.data() + firstPieceSize, data.size() - firstPieceSize);
    return NextRunningChecksum(NextRunningChecksum(0, 1, s1), 2, s2);
  };
  EXPECT_EQ(total(499) - total(500), data[499]);
}

class SampleSumTest : public testing::Test {
 protected:
  // Opens a file with these bytes for reading.
  void OpenWith(const std::vector<std::uint8_t>& bytes) {
    file.Open(folder.Write("sampled.bin", bytes.data(), bytes.size()), false);
  }
  ScratchFolder folder;
  // Owned through a pointer: a fixture's destructor may not throw, and a file's close may.
  std::unique_ptr<CFile64> owner = std::make_unique<CFile64>();
  CFile64& file = *owner;
};

TEST_F(SampleSumTest, AddsEightEvenlySpacedBytes) {
  std::vector<std::uint8_t> bytes(16);
  std::iota(bytes.begin(), bytes.end(), std::uint8_t{1});  // offsets 0..15 hold 1..16
  OpenWith(bytes);
  EXPECT_EQ(SampleSum(file), 1u + 3 + 5 + 7 + 9 + 11 + 13 + 15);
}

TEST_F(SampleSumTest, FileShorterThanEightBytesTakesTheFirstByteEightTimes) {
  OpenWith({200, 1, 2, 3, 4});
  EXPECT_EQ(SampleSum(file), 8u * 200);
}

TEST_F(SampleSumTest, EmptyFileGivesZero) {
  OpenWith({});
  EXPECT_EQ(SampleSum(file), 0u);
}

TEST_F(SampleSumTest, LeavesThePositionWhereItWas) {
  OpenWith(PatternBytes(1001));
  file.SeekToBegin(333);
  const std::uint32_t sum = SampleSum(file);
  EXPECT_EQ(file.Position(), 333u);
  const std::vector<std::uint8_t> bytes = PatternBytes(1001);
  std::uint32_t expected = 0;
  for (int k = 0; k < 8; ++k) expected += bytes[k * 125];
  EXPECT_EQ(sum, expected);
}

TEST_F(SampleSumTest, ReachesOffsetsBeyond4GiB) {
  // A sparse file of 8 GiB with the byte k + 1 at each offset k GiB.
  constexpr std::uint64_t kGiB = 1ull << 30;
  const std::string path = (folder.Path() / "sparse.bin").string();
  {
    CFile64 writer;
    writer.Open(path, true);
    for (std::uint8_t k = 0; k < 8; ++k) {
      const std::uint8_t value = k + 1;
      writer.SeekToBegin(k * kGiB);
      writer.Write(&value, 1);
    }
    const std::uint8_t last = 99;
    writer.SeekToBegin(8 * kGiB - 1);
    writer.Write(&last, 1);
  }
  file.Open(path, false);
  EXPECT_EQ(SampleSum(file), 36u);
}

}  // namespace
