// Recovery files as a user meets them: the real programs split with --recovery, the package is
// damaged as mail, uploads and media damage it, and merge, verify and repair put it right; the
// real par2 program checks our sets, and ours repair with its sets.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/par2_program.h"
#include "tests/support/program_run.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/settings_sandbox.h"

namespace fs = std::filesystem;

namespace {

const std::vector<std::string> kEnglish = {"LC_ALL=en_US.UTF-8"};

std::string FullProgram() { return ProgramsAreWindowsPrograms() ? "partwell-cli" : "partwell"; }

std::string Piece(int index) {
  return "film.bin_0000" + std::to_string(index) + (index == 0 ? ".fsm" : ".fss");
}

void FlipByte(const fs::path& path, std::uintmax_t at) {
  std::string bytes = ReadWholeFile(path);
  bytes.at(at) = static_cast<char>(bytes.at(at) ^ 0x5A);
  WriteWholeFile(path.string(), bytes.data(), bytes.size());
}

void Truncate(const fs::path& path, std::uintmax_t size) { fs::resize_file(path, size); }

// A package of a master and six pieces of 64 KiB (the last shorter) with two volumes.
class RecoveryConsole : public testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(io_);
    fs::create_directories(package_);
    source_ = WriteRandomFile(folder_, "package/film.bin", 6 * 65536 - 1000, 7);
    const ProgramRun split =
        Partwell({"split", Path("film.bin"), "-s", "64K", "--recovery", "2", "--data-only", "-y"});
    ASSERT_EQ(split.status, 0) << split.err;
    fs::remove(package_ / "film.bin");
    for (int index = 0; index <= 6; ++index)
      original_.push_back(ReadWholeFile(package_ / Piece(index)));
  }

  ProgramRun Run(const std::string& program, const std::vector<std::string>& arguments) {
    return RunProgram(BuiltProgramPath(program), arguments, io_.string(),
                      {.environment = kEnglish});
  }
  ProgramRun Partwell(const std::vector<std::string>& arguments) {
    return Run(FullProgram(), arguments);
  }
  std::string Path(const std::string& name) const { return (package_ / name).string(); }
  bool PieceIsOriginal(int index) const {
    return ReadWholeFile(package_ / Piece(index)) == original_.at(index);
  }
  std::string Merged() const { return ReadWholeFile(out_ / "film.bin"); }

  SettingsSandbox settings_;
  ScratchFolder folder_;
  fs::path io_ = folder_.Path() / "io";
  fs::path package_ = folder_.Path() / "package";
  fs::path out_ = folder_.Path() / "out";
  std::string source_;
  std::vector<std::string> original_;
};

TEST_F(RecoveryConsole, SplitWritesIndexAndVolumesThatThePlanAnnounces) {
  const std::vector<std::string> files = Listing(package_);
  EXPECT_EQ(files, (std::vector<std::string>{"film.bin.par2", "film.bin.vol0+1.par2",
                                             "film.bin.vol1+1.par2", Piece(0), Piece(1), Piece(2),
                                             Piece(3), Piece(4), Piece(5), Piece(6)}));
  WriteWholeFile(Path("film.bin"), source_.data(), source_.size());
  const ProgramRun plan =
      Partwell({"plan", Path("film.bin"), "-s", "64K", "--recovery", "30%", "--json"});
  ASSERT_EQ(plan.status, 0) << plan.err;
  const std::uintmax_t volume = fs::file_size(package_ / "film.bin.vol0+1.par2");
  EXPECT_NE(plan.out.find("\"recovery_volume_count\": 3"), std::string::npos) << plan.out;
  EXPECT_NE(plan.out.find("\"recovery_volume_size\": " + std::to_string(volume)), std::string::npos)
      << plan.out;
  if (HavePar2()) {
    EXPECT_TRUE(RunPar2(folder_, "verify -q package/film.bin.par2"));
  }
}

// An earlier package's volumes would otherwise lie beside the new one as if they were its own;
// a PAR2 set of the user's, over other files, stays.
TEST_F(RecoveryConsole, ANewSplitReplacesTheEarlierRecoveryFiles) {
  WriteRandomFile(folder_, "package/notes.txt", 3000, 1);
  if (HavePar2()) {
    ASSERT_TRUE(
        RunPar2(folder_, "create -q -n1 -c2 package/film.bin.vol9+9.par2 package/notes.txt"));
  }
  WriteWholeFile(Path("film.bin"), source_.data(), source_.size());
  const ProgramRun again =
      Partwell({"split", Path("film.bin"), "-s", "64K", "--recovery", "1", "--data-only", "-y"});
  ASSERT_EQ(again.status, 0) << again.err;
  EXPECT_TRUE(fs::exists(package_ / "film.bin.vol0+1.par2"));
  EXPECT_FALSE(fs::exists(package_ / "film.bin.vol1+1.par2"));
  const ProgramRun without =
      Partwell({"split", Path("film.bin"), "-s", "64K", "--data-only", "-y"});
  ASSERT_EQ(without.status, 0) << without.err;
  for (const std::string& file : Listing(package_)) {
    EXPECT_TRUE(!file.ends_with(".par2") || file.starts_with("film.bin.vol9+9")) << file;
  }
}

// The package is whole when only its recovery files fail: it stays, and the user is told.
TEST_F(RecoveryConsole, AFailedRecoveryFileLeavesTheWholePackage) {
  for (const std::string& file : Listing(package_)) fs::remove(package_ / file);
  fs::create_directories(package_ / "film.bin.vol1+1.par2" / "in the way");
  WriteWholeFile(Path("film.bin"), source_.data(), source_.size());
  const ProgramRun split =
      Partwell({"split", Path("film.bin"), "-s", "64K", "--recovery", "2", "--data-only", "-y"});
  EXPECT_EQ(split.status, 1);
  EXPECT_NE(split.err.find("The package is complete, but its recovery files could not be written"),
            std::string::npos)
      << split.err;
  // The master holds the time of its split; the pieces are as before.
  EXPECT_TRUE(fs::exists(package_ / Piece(0)));
  for (int index = 1; index <= 6; ++index) EXPECT_TRUE(PieceIsOriginal(index)) << index;
  EXPECT_FALSE(fs::exists(package_ / "film.bin.par2"));
}

// Any two of the package's files, master included, lost, cut short or damaged.
TEST_F(RecoveryConsole, MergeRebuildsTwoBadPiecesAndLeavesThePackageAsItWas) {
  fs::remove(package_ / Piece(2));
  FlipByte(package_ / Piece(5), 40000);
  const std::vector<std::string> before = Listing(package_);
  fs::create_directories(out_);
  const ProgramRun merge = Partwell({"merge", Path(Piece(0)), "-d", out_.string(), "-y"});
  ASSERT_EQ(merge.status, 0) << merge.err;
  EXPECT_EQ(Merged(), source_);
  EXPECT_NE(merge.err.find("Rebuilt from the recovery files: " + Piece(2) + ", " + Piece(5)),
            std::string::npos)
      << merge.err;
  EXPECT_EQ(Listing(package_), before);
  EXPECT_EQ(Listing(out_), std::vector<std::string>{"film.bin"});
}

TEST_F(RecoveryConsole, VerifySaysWhatTheRecoveryFilesCanRebuildAndWritesNothing) {
  Truncate(package_ / Piece(1), 1000);
  fs::rename(package_ / Piece(3), package_ / "renamed.fss");
  const std::vector<std::string> before = Listing(package_);
  const ProgramRun verify = Partwell({"verify", Path(Piece(0))});
  EXPECT_EQ(verify.status, 0) << verify.err;
  EXPECT_NE(verify.err.find(Piece(1) + ", " + Piece(3)), std::string::npos) << verify.err;
  const ProgramRun report = Partwell({"verify", Path(Piece(0)), "--report"});
  EXPECT_EQ(report.status, 4);
  EXPECT_NE(report.out.find("The recovery files can rebuild 2 bad files (0 volumes to spare)"),
            std::string::npos)
      << report.out;
  EXPECT_EQ(Listing(package_), before);
}

TEST_F(RecoveryConsole, RepairRebuildsInPlaceOrIntoAnotherFolder) {
  // A folder that is not there is no fault of the master's.
  const ProgramRun nowhere = Partwell({"merge", Path(Piece(0)), "-d", out_.string(), "-y"});
  EXPECT_EQ(nowhere.status, 1);
  EXPECT_EQ(nowhere.err.find("repair"), std::string::npos) << nowhere.err;
  fs::remove(package_ / Piece(0));
  FlipByte(package_ / Piece(6), 100);
  const ProgramRun merge = Partwell({"merge", Path(Piece(0)), "-y"});
  EXPECT_EQ(merge.status, 1);
  EXPECT_NE(merge.err.find("repair " + Piece(0) + " first"), std::string::npos) << merge.err;
  const ProgramRun elsewhere = Partwell({"repair", Path(Piece(0)), "-d", out_.string()});
  ASSERT_NE(elsewhere.status, 0) << "the folder does not exist yet";
  fs::create_directories(out_);
  const ProgramRun intoFolder = Partwell({"repair", Path(Piece(0)), "-d", out_.string()});
  ASSERT_EQ(intoFolder.status, 0) << intoFolder.err;
  EXPECT_EQ(Listing(out_), (std::vector<std::string>{Piece(0), Piece(6)}));
  EXPECT_EQ(ReadWholeFile(out_ / Piece(6)), original_[6]);
  EXPECT_FALSE(fs::exists(package_ / Piece(0)));

  const ProgramRun inPlace = Run("PartwellLite", {"repair", Path(Piece(0))});
  ASSERT_EQ(inPlace.status, 0) << inPlace.err;
  // The statistics count what the check and the rebuild went through.
  EXPECT_NE(inPlace.err.find("Data processed: "), std::string::npos) << inPlace.err;
  EXPECT_EQ(inPlace.err.find("Data processed: 0.00 B"), std::string::npos) << inPlace.err;
  for (int index = 0; index <= 6; ++index) EXPECT_TRUE(PieceIsOriginal(index)) << index;
  const ProgramRun again = Partwell({"repair", Path(Piece(0))});
  EXPECT_EQ(again.status, 0);
  EXPECT_NE(again.err.find("nothing was changed"), std::string::npos) << again.err;
}

// A merge or a repair killed while it rebuilt a piece left the piece's temporary; the next one
// removes it.
TEST_F(RecoveryConsole, TheNextRebuildRemovesTheTemporariesOfAKilledOne) {
  fs::remove(package_ / Piece(2));
  fs::create_directories(out_);
  const std::string stale = "." + Piece(2) + ".partwell-Kil1ed";
  WriteWholeFile((out_ / stale).string(), "part", 4);
  const ProgramRun merge = Partwell({"merge", Path(Piece(0)), "-d", out_.string(), "-y"});
  ASSERT_EQ(merge.status, 0) << merge.err;
  EXPECT_EQ(Listing(out_), std::vector<std::string>{"film.bin"});
  WriteWholeFile(Path(stale), "part", 4);
  const ProgramRun repair = Partwell({"repair", Path(Piece(0))});
  ASSERT_EQ(repair.status, 0) << repair.err;
  EXPECT_FALSE(fs::exists(package_ / stale));
  EXPECT_TRUE(PieceIsOriginal(2));
}

// Three bad files and two volumes: nothing is written, and the user learns what is missing.
TEST_F(RecoveryConsole, TooFewVolumesChangeNothingAndSayHowManyMore) {
  fs::remove(package_ / Piece(1));
  fs::remove(package_ / Piece(2));
  FlipByte(package_ / Piece(4), 70);
  const std::vector<std::string> before = Listing(package_);
  const ProgramRun repair = Partwell({"repair", Path(Piece(0))});
  EXPECT_EQ(repair.status, 1);
  EXPECT_NE(repair.err.find("More recovery volumes needed: 1."), std::string::npos) << repair.err;
  const ProgramRun report = Partwell({"verify", Path(Piece(0)), "--report"});
  EXPECT_NE(report.out.find("1 more recovery volume is needed"), std::string::npos) << report.out;
  fs::create_directories(out_);
  const ProgramRun merge = Partwell({"merge", Path(Piece(0)), "-d", out_.string(), "-y"});
  EXPECT_NE(merge.status, 0);
  EXPECT_TRUE(Listing(out_).empty());
  EXPECT_EQ(Listing(package_), before);
}

TEST_F(RecoveryConsole, Par2RepairsOurSetAndWeRepairWithPar2Sets) {
  if (!HavePar2()) GTEST_SKIP() << "needs the par2 program";
  fs::remove(package_ / Piece(4));
  FlipByte(package_ / Piece(0), 300);
  ASSERT_TRUE(RunPar2(folder_, "repair -q package/film.bin.par2"));
  for (int index = 0; index <= 6; ++index) EXPECT_TRUE(PieceIsOriginal(index)) << index;

  // A set of par2's own over the package, its slices not aligned to the pieces.
  for (const std::string& file : Listing(package_)) {
    if (file.ends_with(".par2")) fs::remove(package_ / file);
  }
  std::string files;
  for (int index = 0; index <= 6; ++index) files += " package/" + Piece(index);
  ASSERT_TRUE(RunPar2(folder_, "create -q -s10000 -c30 -n3 package/other.par2" + files));
  fs::remove(package_ / Piece(3));
  Truncate(package_ / Piece(6), 5000);
  fs::create_directories(out_);
  const ProgramRun merge = Partwell({"merge", Path(Piece(0)), "-d", out_.string(), "-y"});
  ASSERT_EQ(merge.status, 0) << merge.err;
  EXPECT_EQ(Merged(), source_);
  const ProgramRun repair = Partwell({"repair", Path(Piece(0))});
  ASSERT_EQ(repair.status, 0) << repair.err;
  for (int index = 0; index <= 6; ++index) EXPECT_TRUE(PieceIsOriginal(index)) << index;
}

}  // namespace
