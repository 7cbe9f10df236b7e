#include "engine/recovery/par2_repair.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "base/exceptions.h"
#include "base/message_format.h"
#include "res/resource.h"
#include "tests/support/par2_program.h"

namespace {

class Par2RepairTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HavePar2()) GTEST_SKIP() << "par2 is not installed";
    // 3, 10, 6 and 2 slices of 4096 bytes.
    const std::map<std::string, std::size_t> sizes = {
        {"a.bin", 10'001}, {"b.bin", 40'000}, {"c.bin", 23'456}, {"d.bin", 5'000}};
    std::uint32_t seed = 1;
    for (const auto& [name, size] : sizes)
      originals_[name] = WriteRandomFile(folder_, name, size, seed++);
  }

  void Create(int recovery) {
    ASSERT_TRUE(RunPar2(folder_, "create -q -q -s4096 -n3 -c" + std::to_string(recovery) +
                                     " set.par2 a.bin b.bin c.bin d.bin"));
    const std::vector<Par2FoundSet> sets = ReadPar2Sets(Par2FilesIn(folder_.PathText()));
    ASSERT_EQ(sets.size(), 1u);
    found_ = sets[0];
    for (const Par2File& file : found_.set.files) {
      paths_.push_back(*Par2FilePath(folder_.PathText() + "/", file.name));
      outputs_.push_back(paths_.back() + ".rebuilt");
    }
  }

  std::string PathOf(const std::string& name) const { return (folder_.Path() / name).string(); }

  void Damage(const std::string& name, std::size_t at) const {
    std::string bytes = ReadWholeFile(PathOf(name));
    bytes[at] ^= 0x40;
    WriteWholeFile(PathOf(name), bytes.data(), bytes.size());
  }
  void Resize(const std::string& name, std::size_t size) const {
    std::filesystem::resize_file(PathOf(name), size);
  }

  // The check of each file by name.
  std::map<std::string, Par2FileCheck> ChecksByName(const Par2Check& check) const {
    std::map<std::string, Par2FileCheck> byName;
    for (std::size_t i = 0; i < found_.set.files.size(); ++i) {
      byName[found_.set.files[i].name] = check.files[i];
    }
    return byName;
  }

  ScratchFolder folder_;
  std::map<std::string, std::string> originals_;
  Par2FoundSet found_;
  std::vector<std::string> paths_;
  std::vector<std::string> outputs_;
};

TEST_F(Par2RepairTest, RebuildsMissingShortDamagedAndLongFilesByteForByte) {
  Create(12);
  std::filesystem::remove(PathOf("a.bin"));
  Resize("b.bin", 20'000);  // slices 0-3 whole, the rest lost
  Damage("c.bin", 2 * 4096 + 100);
  Resize("d.bin", 5'100);  // longer: its slices still match

  std::uint64_t done = 0, total = 0;
  const auto progress = [&](std::uint64_t d, std::uint64_t t) { done = d, total = t; };
  const Par2Check check = CheckPar2Files(found_, paths_, {}, progress);
  EXPECT_EQ(done, total);
  // Each file read for its whole digest, and, all three damaged, again for their slices.
  EXPECT_EQ(total, 2 * (20'000u + 23'456 + 5'100));
  const auto byName = ChecksByName(check);
  EXPECT_EQ(byName.at("a.bin").state, Par2FileState::missing);
  EXPECT_EQ(byName.at("a.bin").goodSlices, std::vector<bool>(3, false));
  EXPECT_EQ(byName.at("b.bin").state, Par2FileState::damaged);
  EXPECT_EQ(byName.at("b.bin").goodSlices,
            (std::vector<bool>{true, true, true, true, false, false, false, false, false, false}));
  EXPECT_EQ(byName.at("c.bin").goodSlices,
            (std::vector<bool>{true, true, false, true, true, true}));
  EXPECT_EQ(byName.at("d.bin").state, Par2FileState::damaged);
  EXPECT_EQ(byName.at("d.bin").goodSlices, std::vector<bool>(2, true));
  EXPECT_EQ(check.missingSlices, 10u);
  EXPECT_EQ(check.recoverySlices, 12u);
  ASSERT_TRUE(check.Repairable());

  // All at once, and in windows of 1 KiB and of about 400 bytes of each slice.
  for (std::size_t budget :
       {kRecoveryMemoryBudget, std::size_t{2 * 10 * 1024}, std::size_t{8000}}) {
    RebuildPar2Files(found_, paths_, check, outputs_, progress, budget);
    EXPECT_EQ(done, total);
    for (std::size_t i = 0; i < paths_.size(); ++i) {
      EXPECT_EQ(ReadWholeFile(outputs_[i]), originals_[found_.set.files[i].name])
          << found_.set.files[i].name << " " << budget;
    }
  }

  // par2 finds the rebuilt files whole.
  for (std::size_t i = 0; i < paths_.size(); ++i) std::filesystem::rename(outputs_[i], paths_[i]);
  EXPECT_TRUE(RunPar2(folder_, "verify -q set.par2"));
}

// In windows of about 400 bytes, shared by two threads: the one that meets the short file
// raises, the other stops, and nothing rebuilt is left.
TEST_F(Par2RepairTest, FileShortenedSinceTheCheckRaisesAndLeavesNoOutput) {
  Create(12);
  std::filesystem::remove(PathOf("a.bin"));
  const Par2Check check = CheckPar2Files(found_, paths_, {}, {});
  ASSERT_TRUE(check.Repairable());
  Resize("b.bin", 30'000);
  try {
    RebuildPar2Files(found_, paths_, check, outputs_, {}, 8000);
    FAIL() << "rebuilt";
  } catch (const CFileException& error) {
    EXPECT_EQ(error.cause, CFileException::endOfFile);
    EXPECT_EQ(error.fileName, PathOf("b.bin"));
  }
  for (const std::string& output : outputs_) EXPECT_FALSE(std::filesystem::exists(output));
}

TEST_F(Par2RepairTest, TooFewRecoverySlicesRaiseAndWriteNothing) {
  Create(3);
  for (const char* name : {"a.bin", "b.bin", "c.bin"}) std::filesystem::remove(PathOf(name));
  const Par2Check check = CheckPar2Files(found_, paths_, {}, {});
  EXPECT_EQ(check.missingSlices, 19u);
  EXPECT_FALSE(check.Repairable());
  try {
    RebuildPar2Files(found_, paths_, check, outputs_, {});
    FAIL() << "rebuilt";
  } catch (const CAppException& error) {
    // 16 slices short, 10 slices a volume.
    EXPECT_EQ(error.message, LoadMessage(IDS_RECOVERY_NOT_ENOUGH, {"19", "3", "2"}));
  }
  for (const std::string& output : outputs_) EXPECT_FALSE(std::filesystem::exists(output));
}

}  // namespace
