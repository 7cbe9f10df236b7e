#include "engine/recovery/crc32.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(Crc32Test, KnownValuesAndRuns) {
  const std::string check = "123456789";
  EXPECT_EQ(Crc32(0, check.data(), check.size()), 0xCBF43926u);
  EXPECT_EQ(Crc32(0, nullptr, 0), 0u);
  std::vector<std::uint8_t> data(10'001);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i ^ (i >> 5));
  // Whole runs go through the carry-less folds, 64 or 256 bytes at a time where the processor
  // has them; runs of 13 bytes through the tables alone.
  for (std::size_t size : {64u, 100u, 511u, 512u, 527u, 768u, 831u, 4'111u, 10'001u}) {
    const std::uint32_t whole = Crc32(0, data.data(), size);
    std::uint32_t runs = 0;
    for (std::size_t done = 0; done < size; done += 13) {
      runs = Crc32(runs, data.data() + done, std::min<std::size_t>(13, size - done));
    }
    EXPECT_EQ(runs, whole) << size;
  }
}

TEST(Crc32Test, ZerosAppendedAsIfWritten) {
  const std::string start = "slice";
  const std::uint32_t crc = Crc32(0, start.data(), start.size());
  for (std::size_t count : {0u, 1u, 7u, 8u, 1000u, 65'537u}) {
    const std::vector<std::uint8_t> zeros(count, 0);
    EXPECT_EQ(Crc32Zeros(crc, count), Crc32(crc, zeros.data(), zeros.size())) << count;
  }
  EXPECT_EQ(Crc32Zeros(0, 3), Crc32(0, "\0\0\0", 3));
}

}  // namespace
