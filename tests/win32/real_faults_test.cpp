// Faults made real under Wine, on the real Windows console program: a disk too full for the
// merged file, and a piece another program holds without sharing it. Each merge fails with a
// message that names the file, and leaves the files it met as they were.

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/program_run.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/split_package.h"

namespace {

namespace fs = std::filesystem;

std::string Disk(const char* name) { return std::string(PW_FREE_SPACE_DISKS) + "/" + name + "/"; }

class RealFaults : public testing::Test {
 protected:
  void SetUp() override {
    const Bytes bytes = SourceBytes(60'000, 5);
    original_.assign(bytes.begin(), bytes.end());
    const std::string source = scratch_.Write("sample.bin", original_.data(), original_.size());
    const ProgramRun split =
        RunProgram(BuiltProgramPath("partwell-cli"), {"split", source, "-n", "3", "--yes"},
                   scratch_.PathText());
    ASSERT_EQ(split.status, 0) << split.err;
    fs::remove(source);
  }
  ProgramRun MergeInto(const std::string& folder) {
    return RunProgram(BuiltProgramPath("partwell-cli"),
                      {"merge", Master(), "--dest", folder, "--yes"}, scratch_.PathText());
  }
  std::string Master() const { return scratch_.PathText() + "\\sample.bin_00000.fsm"; }

  ScratchFolder scratch_;
  std::string original_;
};

TEST_F(RealFaults, AFullDiskKeepsTheFileThatWasThereAndLeavesNothingElse) {
  const std::string disk = Disk("full");
  if (!fs::exists(disk + "filler")) GTEST_SKIP() << "the small disks are not mounted";
  const std::string old = "the file the merge would replace";
  WriteWholeFile(disk + "sample.bin", old.data(), old.size());
  const std::vector<std::string> before = Listing(disk);
  const ProgramRun merge = MergeInto(disk);
  EXPECT_EQ(merge.status, 1) << merge.err;
  EXPECT_NE(merge.err.find("sample.bin"), std::string::npos) << merge.err;
  EXPECT_EQ(Listing(disk), before);
  EXPECT_EQ(ReadWholeFile(disk + "sample.bin"), old);
  fs::remove(disk + "sample.bin");
}

TEST_F(RealFaults, APieceHeldByAnotherProgramIsNamedAndNothingIsMerged) {
  const std::string piece = scratch_.PathText() + "\\sample.bin_00002.fss";
  const HANDLE held = CreateFileW(fs::path(piece).wstring().c_str(), GENERIC_READ | GENERIC_WRITE,
                                  0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const fs::path merged = scratch_.Path() / "merged";
  fs::create_directories(merged);
  const ProgramRun merge = MergeInto(merged.string());
  CloseHandle(held);
  EXPECT_EQ(merge.status, 1) << merge.err;
  EXPECT_NE(merge.err.find("sample.bin_00002.fss"), std::string::npos) << merge.err;
  EXPECT_TRUE(Listing(merged).empty());
  // Let go, the same merge succeeds.
  ASSERT_EQ(MergeInto(merged.string()).status, 0);
  EXPECT_EQ(ReadWholeFile(merged / "sample.bin"), original_);
}

}  // namespace
