#include "engine/recovery/par2_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/files.h"
#include "tests/support/par2_program.h"

namespace {

const std::vector<std::string> kNames = {"a.bin", "b.bin", "sub/c.bin"};

class Par2ReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HavePar2()) GTEST_SKIP() << "par2 is not installed";
    const std::vector<std::size_t> sizes = {10'001, 40'000, 7};
    for (std::size_t i = 0; i < kNames.size(); ++i) {
      WriteRandomFile(folder_, kNames[i], sizes[i], static_cast<std::uint32_t>(i + 1));
    }
  }

  // par2's set over the files, with `recovery` slices spread over volumes as `layout` says.
  void Create(std::uint64_t sliceSize, int recovery, const std::string& layout) {
    ASSERT_TRUE(RunPar2(folder_, "create -q -q -s" + std::to_string(sliceSize) + " -c" +
                                     std::to_string(recovery) + " " + layout +
                                     " set.par2 a.bin b.bin sub/c.bin"));
  }

  // What the set must hold: each file as we read it ourselves.
  Par2Set Expected(std::uint64_t sliceSize) const {
    return DigestedPar2Set(folder_, kNames, sliceSize);
  }

  std::string PathOf(const std::string& name) const { return (folder_.Path() / name).string(); }

  std::vector<std::string> Volumes() const {
    std::vector<std::string> volumes;
    for (const std::string& path : Par2FilesIn(folder_.PathText())) {
      if (path.find(".vol") != std::string::npos) volumes.push_back(path);
    }
    return volumes;
  }

  ScratchFolder folder_;
};

std::vector<std::uint32_t> ExponentsOf(const Par2FoundSet& found) {
  std::vector<std::uint32_t> exponents;
  for (const Par2RecoverySlice& slice : found.recovery) exponents.push_back(slice.exponent);
  return exponents;
}

std::vector<std::uint32_t> Upto(std::uint32_t count) {
  std::vector<std::uint32_t> values;
  for (std::uint32_t i = 0; i < count; ++i) values.push_back(i);
  return values;
}

void ExpectSet(const Par2FoundSet& found, const Par2Set& expected) {
  EXPECT_EQ(found.set.setId, expected.setId);
  EXPECT_EQ(found.set.sliceSize, expected.sliceSize);
  EXPECT_EQ(found.set.files, expected.files);
  EXPECT_TRUE(found.set.nonRecoveryFileIds.empty());
}

TEST_F(Par2ReaderTest, ReadsPar2SetsOfEverySliceSizeAndLayout) {
  struct Case {
    std::uint64_t sliceSize;
    int recovery;
    std::string layout;
  };
  // Only files whose names end in .par2, in any case, are read; a foreign one is passed over.
  std::filesystem::create_directory(folder_.Path() / "folder.par2");
  folder_.Write("notes.par2.txt", "", 0);
  for (const Case& c : {Case{4096, 7, "-n3"}, Case{10'000, 5, "-u -n2"}, Case{4096, 3, "-n1"}}) {
    Create(c.sliceSize, c.recovery, c.layout);
    folder_.Write("OTHER.PAR2", "not packets", 11);
    const std::vector<std::string> files = Par2FilesIn(folder_.PathText());
    EXPECT_EQ(files.front(), PathOf("OTHER.PAR2"));
    EXPECT_TRUE(std::ranges::is_sorted(files));
    for (const std::string& path : files) {
      EXPECT_TRUE(path.ends_with(".par2") || path.ends_with(".PAR2")) << path;
      EXPECT_NE(path, PathOf("folder.par2"));
    }

    const std::vector<Par2FoundSet> sets = ReadPar2Sets(files);
    ASSERT_EQ(sets.size(), 1u) << c.layout;
    ExpectSet(sets[0], Expected(c.sliceSize));
    EXPECT_EQ(ExponentsOf(sets[0]), Upto(c.recovery)) << c.layout;
    for (const Par2RecoverySlice& slice : sets[0].recovery) {
      EXPECT_NE(slice.path.find(".vol"), std::string::npos);
    }
    for (const std::string& path : files) std::filesystem::remove(path);
  }
}

TEST_F(Par2ReaderTest, DamagedFilesStillGiveTheSetFromTheOthers) {
  Create(4096, 6, "-n3");
  // The index truncated within its packets and flipped at its start.
  std::string index = ReadWholeFile(PathOf("set.par2"));
  index.resize(index.size() / 2);
  for (std::size_t i = 70; i < 90; ++i) index[i] = static_cast<char>(~index[i]);
  folder_.Write("set.par2", index.data(), index.size());
  // One recovery slice's data damaged: that exponent alone is lost.
  const std::string volume = Volumes()[1];
  std::string bytes = ReadWholeFile(volume);
  const std::size_t slice = bytes.find(std::string("PAR 2.0\0RecvSlic", 16));
  ASSERT_NE(slice, std::string::npos);
  const std::uint32_t lost = static_cast<std::uint8_t>(bytes[slice + 16]);
  bytes[slice + 16 + 4 + 1000] ^= 1;
  WriteWholeFile(volume, bytes.data(), bytes.size());

  const std::vector<Par2FoundSet> sets = ReadPar2Sets(Par2FilesIn(folder_.PathText()));
  ASSERT_EQ(sets.size(), 1u);
  ExpectSet(sets[0], Expected(4096));
  std::vector<std::uint32_t> exponents = Upto(6);
  std::erase(exponents, lost);
  EXPECT_EQ(ExponentsOf(sets[0]), exponents);

  // The index alone, its Main packet damaged, gives nothing.
  EXPECT_TRUE(ReadPar2Sets({PathOf("set.par2"), PathOf("missing.par2")}).empty());
}

// Packets as par2 wrote them, one after the other.
std::vector<std::string> PacketsOf(const std::string& file) {
  std::vector<std::string> packets;
  for (std::size_t at = 0; at + kPar2HeaderSize <= file.size();) {
    std::uint64_t length = 0;
    for (int i = 7; i >= 0; --i) length = length << 8 | static_cast<std::uint8_t>(file[at + 8 + i]);
    packets.push_back(file.substr(at, length));
    at += length;
  }
  return packets;
}

std::string TypeOf(const std::string& packet) { return packet.substr(48, 16); }

TEST_F(Par2ReaderTest, PacketsThatLieArePassedOverAndTheNextFound) {
  Create(4096, 1, "-n1");
  const std::vector<std::string> packets = PacketsOf(ReadWholeFile(PathOf("set.par2")));
  std::string bytes = "junk";
  for (const std::string& packet : packets) {
    if (TypeOf(packet) == std::string("PAR 2.0\0Main\0\0\0\0", 16)) {
      // A copy whose length would swallow the real packet after it.
      std::string lying = packet;
      lying[8] = static_cast<char>(lying[8] + packet.size());
      bytes += lying.substr(0, 64) + "abcd";
    }
    if (TypeOf(packet) == std::string("PAR 2.0\0FileDesc", 16)) {
      // A copy with another whole-file hash: only its MD5 tells.
      std::string forged = packet;
      forged[64 + 16] ^= 1;
      bytes += forged;
    }
    bytes += packet;
  }
  // A header whose length runs past the end.
  bytes += packets.front().substr(0, 64);
  const std::vector<Par2FoundSet> sets =
      ReadPar2Bytes({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
  ASSERT_EQ(sets.size(), 1u);
  ExpectSet(sets[0], Expected(4096));
}

TEST(Par2FilePathTest, NamesThatCouldLeadOutsideTheFolderAreRefused) {
  for (const char* name : {"", "/etc/passwd", "\\x", "../x", "a/../x", "a\\..\\x", "..", "C:x",
                           "c:\\x", "a//x", "a/", "\\\\server\\share\\x", "./x"}) {
    EXPECT_EQ(Par2FilePath("base/", name), std::nullopt) << name;
  }
  const std::string separator =
      platform::kNativePathStyle == platform::PathStyle::windows ? "\\" : "/";
  EXPECT_EQ(Par2FilePath("base/", "x.bin"), "base/x.bin");
  EXPECT_EQ(Par2FilePath("base/", "sub/x.bin"), "base/sub" + separator + "x.bin");
  EXPECT_EQ(Par2FilePath("base/", "sub\\x.bin"), "base/sub" + separator + "x.bin");
}

}  // namespace
