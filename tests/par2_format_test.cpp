#include "engine/recovery/par2_format.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "engine/file64.h"
#include "engine/recovery/gf16.h"
#include "engine/recovery/gf16_matrix.h"
#include "engine/recovery/par2_file_digest.h"
#include "tests/support/scratch_folder.h"

namespace {

bool HavePar2() { return std::system("par2 --version >/dev/null 2>&1") == 0; }

// Runs par2 in the folder, quietly; true when it succeeds.
bool RunPar2(const ScratchFolder& folder, const std::string& arguments) {
  const std::string command =
      "cd '" + folder.PathText() + "' && par2 " + arguments + " >par2.log 2>&1";
  return std::system(command.c_str()) == 0;
}

std::uint64_t Little64(const std::string& bytes, std::size_t at) {
  std::uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = value << 8 | static_cast<std::uint8_t>(bytes[at + i]);
  return value;
}

// The packets of a well-formed PAR2 file by type, and, for a file's packets, by type and id.
std::multimap<std::string, std::string> PacketsOf(const std::string& file) {
  std::multimap<std::string, std::string> packets;
  for (std::size_t at = 0; at + kPar2HeaderSize <= file.size();) {
    const std::uint64_t length = Little64(file, at + 8);
    if (length < kPar2HeaderSize || at + length > file.size()) break;
    const std::string packet = file.substr(at, length);
    std::string key = packet.substr(48, 16);
    if (key.starts_with(std::string("PAR 2.0\0FileDesc", 16)) ||
        key.starts_with(std::string("PAR 2.0\0IFSC", 12))) {
      key += packet.substr(64, 16);
    }
    packets.emplace(key, packet);
    at += length;
  }
  return packets;
}

std::string Text(const std::vector<std::uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

class Par2FormatTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HavePar2()) GTEST_SKIP() << "par2 is not installed";
    std::mt19937 random(5);
    for (const auto& [name, size] :
         std::vector<std::pair<std::string, std::size_t>>{{"piece_00001.fss", 100'003},
                                                          {"piece_00002.fss", 5'000},
                                                          {"piece_00000.fsm", 65'536}}) {
      std::string data(size, '\0');
      for (char& c : data) c = static_cast<char>(random());
      folder_.Write(name, data.data(), data.size());
      names_.push_back(name);
    }
  }

  Par2Set SetOf(std::uint64_t sliceSize) const {
    Par2Set set;
    set.sliceSize = sliceSize;
    for (const std::string& name : names_) {
      set.files.push_back(DigestPar2File((folder_.Path() / name).string(), name, sliceSize));
    }
    FinishPar2Set(set);
    return set;
  }

  // The recovery slices of `exponents` over the files' slices in the set's order.
  std::vector<std::vector<std::byte>> RecoveryOf(
      const Par2Set& set, const std::vector<std::uint32_t>& exponents) const {
    std::vector<std::vector<std::byte>> recovery(exponents.size(),
                                                 std::vector<std::byte>(set.sliceSize));
    std::vector<std::byte*> outputs;
    for (auto& slice : recovery) outputs.push_back(slice.data());
    std::uint32_t index = 0;
    std::uint64_t total = 0;
    for (const Par2File& file : set.files) total += Par2SliceCount(file.length, set.sliceSize);
    const std::vector<std::uint16_t> constants =
        InputSliceConstants(static_cast<std::uint32_t>(total));
    for (const Par2File& file : set.files) {
      const std::string data = ReadWholeFile(folder_.Path() / file.name);
      for (std::uint64_t at = 0; at < data.size(); at += set.sliceSize, ++index) {
        std::vector<std::byte> slice(set.sliceSize);
        std::memcpy(slice.data(), data.data() + at,
                    std::min<std::uint64_t>(set.sliceSize, data.size() - at));
        std::vector<std::uint16_t> factors;
        for (std::uint32_t e : exponents) factors.push_back(gf16::Power(constants[index], e));
        gf16::MultiplyAccumulateMany(outputs, factors, slice.data(), slice.size());
      }
    }
    return recovery;
  }

  ScratchFolder folder_;
  std::vector<std::string> names_;
};

TEST_F(Par2FormatTest, DescribingPacketsAreThoseOfPar2) {
  for (std::uint64_t sliceSize : {4096u, 10'000u, 65'536u}) {
    ASSERT_TRUE(
        RunPar2(folder_, "create -q -n1 -r5 -s" + std::to_string(sliceSize) +
                             " theirs.par2 piece_00000.fsm piece_00001.fss piece_00002.fss"));
    const auto theirs = PacketsOf(ReadWholeFile(folder_.Path() / "theirs.par2"));
    const Par2Set set = SetOf(sliceSize);
    const auto main = theirs.find(std::string("PAR 2.0\0Main\0\0\0\0", 16));
    ASSERT_NE(main, theirs.end());
    EXPECT_EQ(main->second, Text(EncodeMainPacket(set))) << sliceSize;
    for (const Par2File& file : set.files) {
      const std::string id(file.id.begin(), file.id.end());
      const auto description = theirs.find(std::string("PAR 2.0\0FileDesc", 16) + id);
      const auto checksums = theirs.find(std::string("PAR 2.0\0IFSC\0\0\0\0", 16) + id);
      ASSERT_NE(description, theirs.end()) << file.name;
      ASSERT_NE(checksums, theirs.end()) << file.name;
      EXPECT_EQ(description->second, Text(EncodeFileDescriptionPacket(set, file))) << file.name;
      EXPECT_EQ(checksums->second, Text(EncodeSliceChecksumPacket(set, file))) << file.name;
      // The slices digested side by side, as a rebuilt file is checked, give the same checks.
      CFile64 input;
      input.Open((folder_.Path() / file.name).string(), false);
      EXPECT_EQ(DigestPar2Slices(input, sliceSize, file.length), file.slices) << file.name;
    }
    for (const auto& entry : std::filesystem::directory_iterator(folder_.Path())) {
      if (entry.path().filename().string().starts_with("theirs")) std::filesystem::remove(entry);
    }
  }
}

TEST_F(Par2FormatTest, Par2RepairsWithRecoverySlicesWeWrote) {
  const Par2Set set = SetOf(4096);
  std::string index;
  index += Text(EncodeMainPacket(set));
  for (const Par2File& file : set.files) {
    index +=
        Text(EncodeFileDescriptionPacket(set, file)) + Text(EncodeSliceChecksumPacket(set, file));
  }
  index += Text(EncodeCreatorPacket(set, "Partwell test"));
  folder_.Write("ours.par2", index.data(), index.size());
  const std::vector<std::uint32_t> exponents = {0, 1, 2, 3};
  const auto recovery = RecoveryOf(set, exponents);
  std::string volume;
  for (std::size_t j = 0; j < exponents.size(); ++j) {
    const auto prefix = EncodeRecoveryPacketPrefix(set, exponents[j], recovery[j]);
    volume.append(prefix.begin(), prefix.end());
    volume.append(reinterpret_cast<const char*>(recovery[j].data()), recovery[j].size());
  }
  volume += index;
  folder_.Write("ours.vol000+004.par2", volume.data(), volume.size());
  ASSERT_TRUE(RunPar2(folder_, "verify -q ours.par2"))
      << ReadWholeFile(folder_.Path() / "par2.log");

  // One file gone (two slices) and one slice of another damaged: three of the four are needed.
  const std::string before = ReadWholeFile(folder_.Path() / "piece_00001.fss");
  std::string damaged = before;
  damaged[50'000] ^= 0x40;
  folder_.Write("piece_00001.fss", damaged.data(), damaged.size());
  std::filesystem::remove(folder_.Path() / "piece_00002.fss");
  ASSERT_TRUE(RunPar2(folder_, "repair -q ours.par2"))
      << ReadWholeFile(folder_.Path() / "par2.log");
  EXPECT_EQ(ReadWholeFile(folder_.Path() / "piece_00001.fss"), before);
  EXPECT_EQ(ReadWholeFile(folder_.Path() / "piece_00002.fss").size(), 5'000u);
}

}  // namespace
