// The damage report and the search folders on packages written byte by byte: damage told
// apart from pieces of another package of the same name, and a piece found elsewhere taken
// only when its header shows it belongs.

#include "engine/merge/package_report.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/exceptions.h"
#include "engine/merge/merger.h"
#include "engine/operation_state.h"
#include "tests/support/package_builder.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/scripted_host.h"
#include "tests/support/split_package.h"

namespace {

namespace fs = std::filesystem;

using State = PieceState;

// Five pieces, the last one short; another seed gives another package of the same name and
// sizes.
TestPackage Package(std::uint32_t seed, std::uint32_t version = kTestCurrentVersion) {
  PackageOptions options;
  options.version = version;
  return TestPackage(options, PatternBytes(4312 * 4 + 777, seed));
}

void PutPiece(const TestPackage& from, std::size_t piece, const fs::path& file) {
  const ByteString bytes = from.PieceFileBytes(piece);
  WriteWholeFile(file.string(), bytes.data(), bytes.size());
}

class PackageReportTest : public ::testing::Test {
 protected:
  // The report, which must neither ask nor prompt.
  PackageReport Report(const std::string& master, const std::vector<std::string>& search = {}) {
    ScriptedHost host;
    OperationScope scope(host);
    PackageReport report = ReportPackage(host, master, search);
    EXPECT_TRUE(host.questions.empty());
    EXPECT_TRUE(host.prompts.empty());
    return report;
  }

  static std::vector<State> States(const PackageReport& report) {
    std::vector<State> states;
    for (const PieceReport& piece : report.pieces) states.push_back(piece.state);
    return states;
  }

  ScratchFolder scratch;
  // Our package, and another of the same name and sizes in a folder of its own.
  const TestPackage ours = Package(1), theirs = Package(2);
  const fs::path other = SubFolder(scratch.Path(), "other");
  const fs::path elsewhere = SubFolder(scratch.Path(), "elsewhere");
};

// Pieces of another package continue its running checksums, not ours; the piece after them
// is ours again, and damage to a piece of ours is told as damage.
TEST_F(PackageReportTest, PiecesOfAnotherPackageAreToldFromDamagedOnes) {
  for (const std::uint32_t version : {kTestCurrentVersion, kTestVersion2}) {
    SCOPED_TRACE(version);
    const TestPackage first = Package(1, version), second = Package(2, version);
    const fs::path folder = SubFolder(scratch.Path(), std::to_string(version));
    const std::vector<std::string> files = first.WriteTo(folder);
    PutPiece(second, 1, files[2]);
    PutPiece(second, 2, files[3]);
    FlipByteAt(files[5], 100);
    const auto before = FolderContents(folder);

    const PackageReport report = Report(files[0]);
    EXPECT_EQ(States(report),
              (std::vector<State>{State::ok, State::otherPackage, State::otherPackage, State::ok,
                                  State::wrongChecksum}));
    EXPECT_EQ(report.pieces[1].name, files[2]);
    EXPECT_EQ(report.GoodCount(), 2u);
    EXPECT_FALSE(report.AllGood());
    EXPECT_EQ(FolderContents(folder), before);
  }
  // The current form carries the index: piece 1 in the place of piece 4 is refused.
  const std::vector<std::string> files = ours.WriteTo(SubFolder(scratch.Path(), "index"));
  PutPiece(ours, 0, files[4]);
  EXPECT_EQ(States(Report(files[0])),
            (std::vector<State>{State::ok, State::ok, State::ok, State::otherPackage, State::ok}));
}

TEST_F(PackageReportTest, APieceIsTakenFromASearchFolderOnlyWhenItBelongs) {
  const std::vector<std::string> files = ours.WriteTo(SubFolder(scratch.Path(), "package"));
  theirs.WriteTo(other);
  fs::remove(files[2]);
  fs::rename(files[3], elsewhere / ours.FileName(3));
  fs::remove(files[4]);
  PutPiece(ours, 4, elsewhere / ours.FileName(5));
  CutFileTo(files[5], 500);
  const auto before = FolderContents(scratch.Path());

  const PackageReport report =
      Report(files[0], {other.string(), (scratch.Path() / "none").string(), elsewhere.string()});
  EXPECT_EQ(States(report),
            (std::vector<State>{State::ok, State::otherPackage, State::foundElsewhere,
                                State::otherPackage, State::foundElsewhere}));
  EXPECT_EQ(report.pieces[1].where, (other / ours.FileName(2)).string());
  EXPECT_EQ(report.pieces[2].where, (elsewhere / ours.FileName(3)).string());
  EXPECT_EQ(report.pieces[2].name, files[3]);
  EXPECT_EQ(report.pieces[4].where, (elsewhere / ours.FileName(5)).string());
  EXPECT_EQ(report.GoodCount(), 3u);
  EXPECT_EQ(FolderContents(scratch.Path()), before);
  // Without the search folders a missing piece is missing and a cut one has the wrong size.
  EXPECT_EQ(States(Report(files[0])), (std::vector<State>{State::ok, State::missing, State::missing,
                                                          State::missing, State::wrongSize}));
}

TEST_F(PackageReportTest, MergeTakesAPieceFoundElsewhereAndAsksWhenOnlyAStrangerIsThere) {
  const std::vector<std::string> files = ours.WriteTo(SubFolder(scratch.Path(), "package"));
  theirs.WriteTo(other);
  fs::rename(files[3], elsewhere / ours.FileName(3));
  const std::string merged = (scratch.Path() / "merged.bin").string();
  MergeOptions options{.promptOnOverwrite = false,
                       .searchFolders = {other.string(), elsewhere.string()}};
  {
    ScriptedHost host;
    OperationScope scope(host);
    Merger().Merge(host, files[0], merged, options);
    EXPECT_TRUE(host.prompts.empty());
    EXPECT_EQ(host.LogOf("status: " + (other / ours.FileName(3)).string() + " is not").size(), 1u);
  }
  EXPECT_EQ(FileBytes(merged), ours.Original());
  fs::remove(merged);

  // Only the stranger: the user is asked for the piece, where it belongs.
  fs::remove(elsewhere / ours.FileName(3));
  ScriptedHost host;
  host.promptReplies = {{LocationAnswer::cancel, {}}};
  {
    OperationScope scope(host);
    EXPECT_THROW(Merger().Merge(host, files[0], merged, options), CUserException);
  }
  ASSERT_EQ(host.prompts.size(), 1u);
  EXPECT_EQ(host.prompts[0].path, files[3]);
  EXPECT_FALSE(fs::exists(merged));
}

}  // namespace
