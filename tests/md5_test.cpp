#include "engine/recovery/md5.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/recovery/md5_kernels.h"

namespace {

std::string Hex(const Md5Digest& digest) {
  static const char* const kDigits = "0123456789abcdef";
  std::string text;
  for (std::uint8_t byte : digest) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 15];
  }
  return text;
}

TEST(Md5Test, KnownDigests) {
  const struct {
    std::string input;
    const char* digest;
  } cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {std::string(55, 'a'), "ef1772b6dff9a122358552954ad0df65"},  // padding fits the block
      {std::string(56, 'a'), "3b0c8ac703f828b04c6c197006d17218"},  // padding needs one more
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Hex(Md5Of(c.input.data(), c.input.size())), c.digest) << c.input.size();
  }
}

TEST(Md5Test, RunsOfAnySizeGiveTheDigestOfTheWhole) {
  std::vector<std::uint8_t> data(200'000);
  for (std::size_t i = 0; i < data.size(); ++i)
    data[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
  const Md5Digest whole = Md5Of(data.data(), data.size());
  for (std::size_t step : {1u, 3u, 63u, 64u, 65u, 4097u}) {
    Md5 runs;
    for (std::size_t done = 0; done < data.size(); done += step) {
      runs.Update(data.data() + done, std::min(step, data.size() - done));
    }
    EXPECT_EQ(runs.Finish(), whole) << step;
  }
  // Two digests fed together, one of them already part-way into a block.
  Md5 first;
  Md5 second;
  second.Update(data.data(), 5);
  Md5::UpdateBoth(first, second, data.data() + 5, data.size() - 5);
  EXPECT_EQ(second.Finish(), whole);
  EXPECT_EQ(first.Finish(), Md5Of(data.data() + 5, data.size() - 5));
}

// The paired path against two plain digests: runs that start and end at every place within a
// block, for digests at the same and at different places in their blocks.
TEST(Md5Test, DigestsFedTogetherMatchDigestsFedApart) {
  std::vector<std::uint8_t> data(3'000);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 13 + 5);
  for (std::size_t lead : {0u, 1u, 37u, 63u}) {
    for (std::size_t size : {1u, 63u, 64u, 65u, 127u, 200u, 1'000u}) {
      Md5 together[2], apart[2];
      together[1].Update(data.data(), lead);
      apart[1].Update(data.data(), lead);
      for (std::size_t at = lead; at + size <= data.size(); at += size) {
        Md5::UpdateBoth(together[0], together[1], data.data() + at, size);
        apart[0].Update(data.data() + at, size);
        apart[1].Update(data.data() + at, size);
      }
      EXPECT_EQ(together[0].Finish(), apart[0].Finish()) << lead << " " << size;
      EXPECT_EQ(together[1].Finish(), apart[1].Finish()) << lead << " " << size;
    }
  }
}

// UpdateMany against Update, for every count of digests up to one past two AVX-512 registers'
// lanes: each digest first stands at a place of its own in its block, so some take one whole block
// more than others; pairs of digests share their runs, as a file's and its slice's do.
TEST(Md5Test, ManyDigestsFedTogetherMatchDigestsFedApart) {
  std::vector<std::uint8_t> data(20'000);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 29 + 3);
  for (std::size_t count = 0; count <= 33; ++count) {
    std::vector<Md5> together(count), apart(count);
    std::vector<Md5*> digests;
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t lead = i * 23 % 64;
      together[i].Update(data.data(), lead);
      apart[i].Update(data.data(), lead);
      digests.push_back(&together[i]);
    }
    std::vector<const std::uint8_t*> runs(count);
    for (std::size_t size : {1u, 63u, 64u, 65u, 130u, 1'000u, 4'099u}) {
      for (std::size_t i = 0; i < count; ++i) runs[i] = data.data() + (i / 2 * 977 + size) % 9'000;
      Md5::UpdateMany(digests, runs, size);
      for (std::size_t i = 0; i < count; ++i) apart[i].Update(runs[i], size);
    }
    for (std::size_t i = 0; i < count; ++i) {
      EXPECT_EQ(together[i].Finish(), apart[i].Finish()) << count << " " << i;
    }
  }
}

// Each vector kernel the processor offers, whichever UpdateMany would choose, against Md5Of: every
// lane a message of its own, padded by hand to whole blocks, from the initial state.
TEST(Md5Test, EveryVectorKernelGivesEachLanesDigest) {
  using md5::detail::LaneKernel;
  using md5::detail::State;
  const struct {
    const char* name;
    LaneKernel kernel;
    std::size_t lanes;
  } kernels[] = {{"AVX2", md5::detail::Avx2Kernel(), md5::detail::kLanes},
                 {"AVX2 pair", md5::detail::Avx2PairKernel(), md5::detail::kPairLanes},
                 {"AVX-512", md5::detail::Avx512Kernel(), md5::detail::kPairLanes},
                 {"AVX-512 pair", md5::detail::Avx512PairKernel(), md5::detail::kMostLanes}};
  constexpr std::size_t kDataBlocks = 3;
  constexpr std::size_t kBytes = 64 * (kDataBlocks + 1);
  for (const auto& k : kernels) {
    if (k.kernel == nullptr) continue;
    std::vector<std::vector<std::uint8_t>> messages(k.lanes, std::vector<std::uint8_t>(kBytes));
    std::vector<State> states(k.lanes, State{0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476});
    std::vector<State*> statePointers;
    std::vector<const std::uint8_t*> blocks;
    for (std::size_t lane = 0; lane < k.lanes; ++lane) {
      std::vector<std::uint8_t>& m = messages[lane];
      for (std::size_t i = 0; i < 64 * kDataBlocks; ++i) {
        m[i] = static_cast<std::uint8_t>(i * 7 + lane * 31);
      }
      m[64 * kDataBlocks] = 0x80;
      const std::uint64_t bits = 64 * kDataBlocks * 8;
      for (int i = 0; i < 8; ++i) m[kBytes - 8 + i] = static_cast<std::uint8_t>(bits >> (8 * i));
      statePointers.push_back(&states[lane]);
      blocks.push_back(m.data());
    }
    k.kernel(statePointers.data(), blocks.data(), kDataBlocks + 1);
    for (std::size_t lane = 0; lane < k.lanes; ++lane) {
      Md5Digest digest;
      for (int i = 0; i < 16; ++i) {
        digest[i] = static_cast<std::uint8_t>(states[lane][i / 4] >> (8 * (i % 4)));
      }
      EXPECT_EQ(digest, Md5Of(messages[lane].data(), 64 * kDataBlocks)) << k.name << " " << lane;
    }
  }
}

}  // namespace
