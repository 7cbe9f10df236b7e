#include "engine/sha256.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr Sha256Kernel kAllKernels[] = {Sha256Kernel::portable, Sha256Kernel::shaExtensions};

std::string Hex(const Sha256Digest& digest) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (std::uint8_t byte : digest) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 15];
  }
  return text;
}

std::string DigestOf(Sha256Kernel kernel, const std::string& message) {
  Sha256 hash(kernel);
  hash.Update(message.data(), message.size());
  return Hex(hash.Finish());
}

class Sha256Kernels : public testing::TestWithParam<Sha256Kernel> {
 protected:
  void SetUp() override {
    if (!Sha256KernelAvailable(GetParam())) GTEST_SKIP() << "not offered by this processor";
  }
};

// The published test vectors of FIPS 180-2 and NIST.
TEST_P(Sha256Kernels, GivesThePublishedDigests) {
  EXPECT_EQ(DigestOf(GetParam(), ""),
            "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(DigestOf(GetParam(), "abc"),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(DigestOf(GetParam(), "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(DigestOf(GetParam(), std::string(1000000, 'a')),
            "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

// Around the block boundary, where the padding takes one block or two; fed in one run and in
// runs of every small size, which must not change the digest.
TEST_P(Sha256Kernels, BlockBoundariesAndRunSizesDoNotChangeTheDigest) {
  const std::pair<std::size_t, const char*> cases[] = {
      {55, "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
      {56, "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
      {63, "7d3e74a05d7db15bce4ad9ec0658ea98e3f06eeecf16b4c6fff2da457ddc2f34"},
      {64, "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
      {65, "635361c48bb9eab14198e76ea8ab7f1a41685d6ad62aa9146d301d4f17eb0ae0"},
  };
  for (const auto& [size, expected] : cases) {
    SCOPED_TRACE(size);
    const std::string message(size, 'a');
    EXPECT_EQ(DigestOf(GetParam(), message), expected);
    for (std::size_t run = 1; run <= 9; ++run) {
      Sha256 hash(GetParam());
      for (std::size_t at = 0; at < size; at += run) {
        hash.Update(message.data() + at, std::min(run, size - at));
      }
      EXPECT_EQ(Hex(hash.Finish()), expected) << "in runs of " << run;
    }
  }
}

// Two digests fed the same runs together, each having begun with a different number of bytes
// of its own, end as they do when fed one after the other.
TEST_P(Sha256Kernels, TwoDigestsFedTogetherEndAsFedAlone) {
  std::mt19937 generator(11);
  std::vector<std::uint8_t> bytes(20000), others(20000);
  for (std::uint8_t& byte : bytes) byte = static_cast<std::uint8_t>(generator() >> 24);
  for (std::uint8_t& byte : others) byte = static_cast<std::uint8_t>(generator() >> 24);
  for (const std::size_t firstLead : {0, 1, 56, 63}) {
    for (const std::size_t secondLead : {0, 8, 64, 100}) {
      Sha256 first(GetParam()), second(GetParam()), firstAlone(GetParam()), secondAlone(GetParam());
      first.Update(bytes.data(), firstLead);
      firstAlone.Update(bytes.data(), firstLead);
      second.Update(bytes.data() + 1, secondLead);
      secondAlone.Update(bytes.data() + 1, secondLead);
      for (std::size_t at = 0, run = 1; at < bytes.size(); at += run, run = run * 3 + 1) {
        run = std::min(run, bytes.size() - at);
        // Each its own run, as two files read side by side give them.
        Sha256::UpdateTwo(first, bytes.data() + at, second, others.data() + at, run);
        firstAlone.Update(bytes.data() + at, run);
        secondAlone.Update(others.data() + at, run);
      }
      EXPECT_EQ(first.Finish(), firstAlone.Finish()) << firstLead << " " << secondLead;
      EXPECT_EQ(second.Finish(), secondAlone.Finish()) << firstLead << " " << secondLead;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(EveryKernel, Sha256Kernels, testing::ValuesIn(kAllKernels));

TEST(Sha256, TheProcessorsInstructionsAgreeWithThePortableCode) {
  if (!Sha256KernelAvailable(Sha256Kernel::shaExtensions)) {
    GTEST_SKIP() << "this processor has no SHA instructions";
  }
  std::mt19937 generator(7);
  std::vector<std::uint8_t> bytes(300000);
  for (std::uint8_t& byte : bytes) byte = static_cast<std::uint8_t>(generator() >> 24);
  for (const std::size_t size : {std::size_t{1}, std::size_t{4095}, bytes.size()}) {
    Sha256 portable(Sha256Kernel::portable), instructions(Sha256Kernel::shaExtensions);
    portable.Update(bytes.data(), size);
    instructions.Update(bytes.data(), size);
    EXPECT_EQ(portable.Finish(), instructions.Finish()) << size;
  }
}

}  // namespace
