#include "engine/recovery/md5.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

}  // namespace
