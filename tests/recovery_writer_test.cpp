#include "engine/recovery/recovery_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/exceptions.h"
#include "engine/recovery/par2_digest_queue.h"
#include "engine/recovery/par2_format.h"
#include "tests/support/par2_program.h"
#include "tests/support/scratch_folder.h"

namespace {

constexpr std::uint64_t kMiB = 1 << 20;

TEST(RecoveryLayoutTest, PiecesAreAFewWholeSlicesWithinTheSlicesOfASet) {
  const std::vector<std::uint64_t> package = {300'000, 100 * kMiB, 100 * kMiB, 37 * kMiB};
  const RecoveryLayout layout = PlanRecoveryLayout(package, 2);
  EXPECT_EQ(layout.slicesPerVolume, 4u);
  EXPECT_EQ(layout.sliceSize % 4, 0u);
  EXPECT_GE(4 * layout.sliceSize, 100 * kMiB);
  EXPECT_LT(3 * layout.sliceSize, 100 * kMiB);
  EXPECT_EQ(layout.inputSlices, 1u + 4 + 4 + 2);
  EXPECT_EQ(layout.volumeCount, 2u);

  // 9,000 pieces of 4 slices would be too many: 3 slices each fit.
  const std::vector<std::uint64_t> many(9'000, 100 * kMiB);
  EXPECT_EQ(PlanRecoveryLayout(many, 1).slicesPerVolume, 3u);
  EXPECT_LE(PlanRecoveryLayout(many, 1).inputSlices, kPar2MaxSlices);
  std::vector<std::uint64_t> tiny(32'766, 1'000);
  tiny[0] = 100 * kMiB;
  EXPECT_LE(PlanRecoveryLayout(tiny, 1).inputSlices, kPar2MaxSlices);

  EXPECT_EQ(RecoveryVolumeCount({10, true}, 11), 2u);
  EXPECT_EQ(RecoveryVolumeCount({1, true}, 5), 1u);
  EXPECT_EQ(RecoveryVolumeCount({50, false}, 10), 10u);
  EXPECT_EQ(RecoveryVolumeCount({0, true}, 10), 0u);
}

TEST(RecoveryLayoutTest, VolumesAreNamedAsPar2NamesThem) {
  RecoveryLayout layout{.sliceSize = 4, .inputSlices = 10, .slicesPerVolume = 7, .volumeCount = 3};
  EXPECT_EQ(RecoveryIndexPath("d/p"), "d/p.par2");
  EXPECT_EQ(RecoveryVolumePaths("d/p", layout),
            (std::vector<std::string>{"d/p.vol00+7.par2", "d/p.vol07+7.par2", "d/p.vol14+7.par2"}));
  layout.slicesPerVolume = 1;
  layout.volumeCount = 10;
  EXPECT_EQ(RecoveryVolumePaths("p", layout)[9], "p.vol09+1.par2");
  layout.slicesPerVolume = 25;
  layout.volumeCount = 4;
  EXPECT_EQ(RecoveryVolumePaths("p", layout)[1], "p.vol025+25.par2");
}

// A master and pieces of odd sizes, each piece five slices, protected by five volumes.
class RecoveryWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::uint32_t seed = 1;
    for (const auto& [name, size] :
         std::vector<std::pair<std::string, std::size_t>>{{"pkg.fsm", 70'001},
                                                          {"pkg.00001.fss", 200'000},
                                                          {"pkg.00002.fss", 200'000},
                                                          {"pkg.00003.fss", 200'000},
                                                          {"pkg.00004.fss", 123'457}}) {
      contents_.push_back(WriteRandomFile(folder_, name, size, seed++));
      names_.push_back(name);
      paths_.push_back((folder_.Path() / name).string());
      layout_.inputSlices += static_cast<std::uint32_t>(Par2SliceCount(size, layout_.sliceSize));
    }
  }

  std::vector<std::string> Write(const std::string& prefix, std::size_t memoryBudget) {
    return WriteRecoveryFiles(
        paths_, (folder_.Path() / prefix).string(), layout_,
        [this](std::uint64_t done, std::uint64_t total) {
          EXPECT_LE(done, total);
          lastDone_ = done;
          lastTotal_ = total;
        },
        memoryBudget);
  }

  ScratchFolder folder_;
  std::vector<std::string> contents_;
  std::vector<std::string> names_;
  std::vector<std::string> paths_;
  RecoveryLayout layout_{.sliceSize = 40'004, .slicesPerVolume = 5, .volumeCount = 5};
  std::uint64_t lastDone_ = 0;
  std::uint64_t lastTotal_ = 0;
};

TEST_F(RecoveryWriterTest, Par2RepairsLostAndDamagedFilesWithAsManyVolumes) {
  const std::vector<std::string> written = Write("pkg", kRecoveryMemoryBudget);
  const std::string prefix = (folder_.Path() / "pkg").string();
  std::vector<std::string> expected = RecoveryVolumePaths(prefix, layout_);
  expected.insert(expected.begin(), RecoveryIndexPath(prefix));
  ASSERT_EQ(written, expected);
  EXPECT_EQ(lastDone_, 2 * 793'458u);  // read for the digests and for the slices
  EXPECT_EQ(lastTotal_, lastDone_);
  for (std::size_t v = 1; v < written.size(); ++v) {
    EXPECT_EQ(std::filesystem::file_size(written[v]), RecoveryVolumeSize(layout_, names_));
  }

  // Windows of 6,000 bytes, the last of them shorter, give the same files.
  const std::vector<std::string> windowed = Write("small", 25 * 6'000 + 99);
  EXPECT_EQ(lastDone_, 2 * 793'458u);
  for (std::size_t i = 0; i < written.size(); ++i) {
    EXPECT_TRUE(ReadWholeFile(windowed[i]) == ReadWholeFile(written[i])) << windowed[i];
    std::filesystem::remove(windowed[i]);
  }

  // Digests taken as the files were written, all but one, give the same files from both
  // threads' passes.
  Par2DigestQueue queue(layout_.sliceSize, paths_.size());
  for (std::size_t i = 1; i < paths_.size(); ++i) queue.Hand(i, paths_[i]);
  std::vector<std::optional<Par2File>> digests;
  const TakeRecoveryDigests taken = [&] { return digests = queue.Finish(); };
  const auto await = [&queue](std::chrono::milliseconds timeout) {
    return queue.WaitUntilAtMost(0, timeout);
  };
  const std::vector<std::string> together = WriteRecoveryFiles(
      paths_, (folder_.Path() / "both").string(), layout_, {}, {taken, await}, 25 * 6'000 + 99);
  // Digests that are never in hold nothing up: one thread then forms every pass.
  const std::vector<std::string> alone = WriteRecoveryFiles(
      paths_, (folder_.Path() / "alone").string(), layout_, {},
      {[&digests] { return digests; }, [](std::chrono::milliseconds) { return false; }},
      25 * 6'000 + 99);
  for (std::size_t i = 0; i < written.size(); ++i) {
    EXPECT_TRUE(ReadWholeFile(together[i]) == ReadWholeFile(written[i])) << together[i];
    EXPECT_TRUE(ReadWholeFile(alone[i]) == ReadWholeFile(written[i])) << alone[i];
    std::filesystem::remove(together[i]);
    std::filesystem::remove(alone[i]);
  }

  if (!HavePar2()) GTEST_SKIP() << "par2 is not installed";
  ASSERT_TRUE(RunPar2(folder_, "verify -q pkg.par2")) << ReadWholeFile(folder_.Path() / "par2.log");
  // Three files: 2 + 5 slices lost, a byte of each of the 5 slices of another changed; two
  // volumes hold 10 slices, too few.
  std::filesystem::remove(paths_[0]);
  std::filesystem::remove(paths_[2]);
  std::string damaged = contents_[3];
  for (std::size_t at = 0; at < damaged.size(); at += layout_.sliceSize) damaged[at + 7] ^= 1;
  WriteWholeFile(paths_[3], damaged.data(), damaged.size());
  std::filesystem::remove(written[1]);
  std::filesystem::remove(written[4]);
  ASSERT_TRUE(RunPar2(folder_, "repair -q pkg.par2")) << ReadWholeFile(folder_.Path() / "par2.log");
  for (std::size_t i = 0; i < paths_.size(); ++i) {
    EXPECT_TRUE(ReadWholeFile(paths_[i]) == contents_[i]) << names_[i];
  }
}

TEST_F(RecoveryWriterTest, AFailureLeavesNothingWritten) {
  const auto before = Listing(folder_.Path());
  int calls = 0;
  EXPECT_THROW(WriteRecoveryFiles(paths_, (folder_.Path() / "pkg").string(), layout_,
                                  [&calls](std::uint64_t, std::uint64_t) {
                                    if (++calls == 3) throw std::runtime_error("cancelled");
                                  }),
               std::runtime_error);
  EXPECT_EQ(Listing(folder_.Path()), before);
  // A cancel while both threads form the passes, and a digest that could not be taken.
  calls = 0;
  const TakeRecoveryDigests none = [this] {
    return std::vector<std::optional<Par2File>>(paths_.size());
  };
  EXPECT_THROW(WriteRecoveryFiles(
                   paths_, (folder_.Path() / "pkg").string(), layout_,
                   [&calls](std::uint64_t, std::uint64_t) {
                     if (++calls == 3) throw std::runtime_error("cancelled");
                   },
                   none, 6'000),
               std::runtime_error);
  Par2DigestQueue queue(layout_.sliceSize, paths_.size());
  queue.Hand(0, (folder_.Path() / "gone").string());
  const TakeRecoveryDigests failed = [&queue] { return queue.Finish(); };
  EXPECT_THROW(WriteRecoveryFiles(paths_, (folder_.Path() / "pkg").string(), layout_, {}, failed),
               CFileException);
  EXPECT_EQ(Listing(folder_.Path()), before);
  std::filesystem::remove(paths_[4]);
  EXPECT_THROW(WriteRecoveryFiles(paths_, (folder_.Path() / "pkg").string(), layout_, {}),
               CFileException);
}

}  // namespace
