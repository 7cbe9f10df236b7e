#include "engine/split/splitter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "base/exceptions.h"
#include "base/path_text.h"
#include "base/text_format.h"
#include "engine/disk_space.h"
#include "engine/file64.h"
#include "engine/operation_host.h"
#include "engine/operation_state.h"
#include "engine/package_format.h"
#include "engine/package_manifest.h"
#include "engine/package_names.h"
#include "engine/package_reading.h"
#include "engine/split/split_plan.h"
#include "engine/split/split_stub.h"
#include "platform/unicode.h"
#include "tests/support/locale_scope.h"
#include "tests/support/par2_program.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/split_package.h"

namespace {

namespace fs = std::filesystem;

bool OnWindows() { return std::string_view(PW_EXE_SUFFIX) == ".exe"; }

const std::string kConfirmCancel =
    "An attempt was made to cancel operations.\n\nDo you really want to abort the current "
    "operation?";
const std::string kDeleteSplitFiles = "Would you like to have the split files deleted?";

class SplitOperation : public testing::Test {
 protected:
  std::string PathIn(const std::string& name) const { return (scratch_.Path() / name).string(); }
  std::string WriteSource(const Bytes& bytes, const std::string& name = "source.bin") {
    return scratch_.Write(name, bytes.data(), bytes.size());
  }
  static SplitOptions SizeMode(std::uint64_t maxSplitFileSize) {
    SplitOptions options;
    options.bySize = true;
    options.maxSplitFileSize = maxSplitFileSize;
    return options;
  }
  // Runs the split as a page does: inside the operation's scope.
  void Split(const std::string& source, const std::string& prefix, SplitOptions& options) {
    OperationScope scope(host_);
    Splitter().Split(host_, source, prefix, options);
  }
  static std::vector<std::string> Names(const std::string& prefix, std::uint32_t count,
                                        bool selfExtracting = false) {
    std::vector<std::string> names;
    for (std::uint32_t i = 0; i < count; ++i) {
      names.push_back(PackageFileName(prefix, kCurrentVersion, selfExtracting, i));
    }
    return names;
  }
  // The master header at `offset` of the master: the planned record with the time it holds,
  // byte for byte (the layout of the image is checked with the package records).
  static void ExpectMasterHeader(const Bytes& master, std::size_t offset, MasterHeader expected) {
    ASSERT_GE(master.size(), offset + kMasterHeaderSize);
    MasterHeaderBytes stored;
    std::copy_n(master.begin() + offset, stored.size(), stored.begin());
    expected.splitTime = DecodeMasterHeader(stored).splitTime;
    EXPECT_GT(expected.splitTime, 40000.0);  // after 2009
    EXPECT_TRUE(EncodeMasterHeader(expected) == stored);
  }
  static MasterHeader ExpectedHeader(std::uint64_t pieceDataSize, std::uint32_t fileCount,
                                     std::uint64_t size, const std::string& prefix,
                                     const std::string& source, const std::string& comments = "") {
    MasterHeader header = NewMasterHeader();
    header.maxPieceDataSize = pieceDataSize;
    header.fileCount = fileCount;
    header.originalSize = size;
    header.pathPrefix = prefix;
    header.sourcePath = source;
    header.comments = comments;
    return header;
  }
  // The data split files of `names` (index 1 on) hold exactly the expected pieces.
  static void ExpectPieces(const std::vector<std::string>& names, const Bytes& source,
                           std::uint64_t pieceDataSize) {
    const std::vector<Bytes> expected = ExpectedPieceFiles(source, pieceDataSize);
    ASSERT_EQ(names.size(), expected.size() + 1);
    for (std::size_t i = 0; i < expected.size(); ++i) {
      SCOPED_TRACE(names[i + 1]);
      EXPECT_TRUE(FileBytes(names[i + 1]) == expected[i]);
    }
  }
  bool AnyPackageFileExists(const std::string& prefix, std::uint32_t count) const {
    for (const std::string& name : Names(prefix, count)) {
      if (platform::FileExists(name)) return true;
    }
    return false;
  }

  ScratchFolder scratch_;
  HookedHost host_;
  // Numbers in messages are grouped as in English.
  test::LocaleScope english_{test::Locale::english};
};

TEST_F(SplitOperation, DataOnlyPackageByteForByte) {
  const Bytes source = SourceBytes(10000);
  const std::string sourcePath = WriteSource(source);
  const std::string prefix = PathIn("movie.avi");
  SplitOptions options = SizeMode(4424);
  options.comments = "three pieces";
  Split(sourcePath, prefix, options);

  const std::vector<std::string> names = Names(prefix, 4);
  const Bytes master = FileBytes(names[0]);
  EXPECT_EQ(master.size(), 2128u);
  ExpectMasterHeader(master, 0, ExpectedHeader(4368, 4, 10000, prefix, sourcePath, "three pieces"));
  ExpectPieces(names, source, 4368);
  EXPECT_FALSE(platform::FileExists(PackageFileName(prefix, kCurrentVersion, false, 4)));

  EXPECT_EQ(host_.LogOf("status: ").front(), "status: Gathering data about source.bin...");
  EXPECT_EQ(host_.statusText, "The operation was completed.");
}

TEST_F(SplitOperation, SelfExtractingMasterCarriesTheLiteProgram) {
  StubRecord stub;
  LocateStub(stub);
  const Bytes program = FileBytes(stub.path);
  ASSERT_EQ(program.size(), stub.size);
  // The smallest split file that the stub allows, so that the master is larger than a piece.
  const std::uint64_t pieceData = stub.size;
  const Bytes source = SourceBytes(2 * pieceData + 1000);
  const std::string sourcePath = WriteSource(source);
  const std::string prefix = PathIn("setup");
  SplitOptions options = SizeMode(stub.size + 56);
  options.selfExtracting = true;
  Split(sourcePath, prefix, options);

  const std::vector<std::string> names = Names(prefix, 4, true);
  const Bytes master = FileBytes(names[0]);
  ASSERT_EQ(master.size(), stub.size + 3208u);
  EXPECT_TRUE(std::equal(program.begin(), program.end(), master.begin()));
  ExpectMasterHeader(master, stub.size,
                     ExpectedHeader(pieceData, 4, source.size(), prefix, sourcePath));
  TrailerBytes trailer;
  std::copy_n(master.end() - kTrailerSize, kTrailerSize, trailer.begin());
  EXPECT_EQ(DecodeSelfExtractTrailer(trailer), NewSelfExtractTrailer(stub.size, stub.path));
  ExpectPieces(names, source, pieceData);
}

TEST_F(SplitOperation, OneOverwriteQuestionNamesTheLowestExistingFile) {
  const Bytes source = SourceBytes(10000);
  const std::string sourcePath = WriteSource(source);
  const std::string prefix = PathIn("movie.avi");
  const std::vector<std::string> names = Names(prefix, 4);
  // An older package: pieces 2 and 3, and a piece 5 the new package does not reach.
  const std::string stale = PackageFileName(prefix, kCurrentVersion, false, 5);
  for (const std::string& old : {names[2], names[3], stale}) WriteWholeFile(old, "old", 3);
  const std::string question = "The operation will overwrite " + names[2] +
                               " and its related files.\n\nWould you like to continue?";

  SplitOptions options = SizeMode(4424);
  host_.answers = {kButtonNo};
  EXPECT_THROW(Split(sourcePath, prefix, options), CUserException);
  ASSERT_EQ(host_.questions.size(), 1u);
  EXPECT_EQ(host_.questions[0].text, question);
  EXPECT_EQ(host_.questions[0].boxType, kBoxYesNo);
  EXPECT_FALSE(platform::FileExists(names[0]));
  EXPECT_EQ(FileBytes(names[2]), (Bytes{'o', 'l', 'd'}));
  EXPECT_EQ(host_.statusText, "The operation was NOT completed.");

  host_.questions.clear();
  host_.answers = {kButtonYes};
  Split(sourcePath, prefix, options);
  ASSERT_EQ(host_.questions.size(), 1u);
  EXPECT_EQ(host_.questions[0].text, question);
  ExpectPieces(names, source, 4368);
  EXPECT_EQ(FileBytes(stale), (Bytes{'o', 'l', 'd'}));

  // Without the preference the files are replaced without a word.
  host_.questions.clear();
  options.promptOnOverwrites = false;
  Split(sourcePath, prefix, options);
  EXPECT_TRUE(host_.questions.empty());
  ExpectPieces(names, source, 4368);
}

// Overwriting a longer package removes what the new one would leave of it, once agreed.
TEST_F(SplitOperation, AgreedOverwriteRemovesTheRestOfALongerPackage) {
  const Bytes source = SourceBytes(10000);
  const std::string sourcePath = WriteSource(source);
  const std::string prefix = PathIn("movie.avi");
  const std::vector<std::string> old = Names(prefix, 8, true);
  // Pieces 4 to 7 follow the new package's last piece; piece 9, after a gap, is not its own.
  const std::string unrelated = PackageFileName(prefix, kCurrentVersion, false, 9);
  for (const std::string& file : old) WriteWholeFile(file, "old", 3);
  WriteWholeFile(unrelated, "old", 3);

  SplitOptions options = SizeMode(4424);
  host_.answers = {kButtonNo};
  EXPECT_THROW(Split(sourcePath, prefix, options), CUserException);
  for (const std::string& file : old) EXPECT_TRUE(platform::FileExists(file)) << file;

  host_.answers = {kButtonYes};
  Split(sourcePath, prefix, options);
  ExpectPieces(Names(prefix, 4), source, 4368);
  for (std::size_t index = 4; index < old.size(); ++index) EXPECT_FALSE(platform::FileExists(old[index]));
  EXPECT_FALSE(platform::FileExists(old[0])) << "the self-extracting master of the old package";
  EXPECT_TRUE(platform::FileExists(unrelated));
}

// A split must never write or remove its own source, whatever name leads to it.
TEST_F(SplitOperation, SourceAmongThePackageFilesIsRefusedBeforeAnythingIsTouched) {
  const Bytes source = SourceBytes(10000);
  const std::string prefix = PathIn("movie.avi");
  const std::vector<std::string> names = Names(prefix, 4);
  const std::string stalePiece = PackageFileName(prefix, kCurrentVersion, false, 4);
  const std::string otherMaster = PackageFileName(prefix, kCurrentVersion, true, 0);
  enum class Link { none, symbolic, hard };
  const struct {
    std::string file;
    Link link;
  } cases[] = {{names[1], Link::none},   {names[2], Link::symbolic}, {names[3], Link::hard},
               {stalePiece, Link::hard}, {otherMaster, Link::hard},  {names[0], Link::symbolic}};
  for (const auto& test : cases) {
    SCOPED_TRACE(test.file);
    const std::string sourcePath =
        WriteSource(source, test.link == Link::none ? FileNamePart(test.file) : "source.bin");
    try {
      if (test.link == Link::symbolic) fs::create_symlink(sourcePath, test.file);
      if (test.link == Link::hard) fs::create_hard_link(sourcePath, test.file);
    } catch (const fs::filesystem_error&) {
      continue;  // no such links on this file system
    }
    host_.questions.clear();
    SplitOptions options = SizeMode(4424);
    EXPECT_EQ(
        RaisedText([&] { Split(sourcePath, prefix, options); }),
        "The file to split " + sourcePath + " cannot be one of the split files it is split into.");
    EXPECT_TRUE(host_.questions.empty());
    EXPECT_EQ(FileBytes(sourcePath), source);
    EXPECT_EQ(FileBytes(test.file), source);
    EXPECT_FALSE(platform::FileExists(names[0]) && test.file != names[0]);
    for (const auto& entry : fs::directory_iterator(scratch_.Path())) fs::remove(entry.path());
  }
}

// The folder chosen after a failed write may hold the source under a package name.
TEST_F(SplitOperation, FolderChosenAtThePromptMustNotHoldTheSourceAsAPackageFile) {
  const Bytes source = SourceBytes(10000);
  const std::string other = PathIn("other");
  fs::create_directory(other);
  const std::string sourcePath = (fs::path(other) / "movie_00002.fss").string();
  WriteWholeFile(sourcePath, source.data(), source.size());
  host_.promptReplies = {{LocationAnswer::ok, other}};
  SplitOptions options = SizeMode(4424);
  EXPECT_EQ(
      RaisedText(
          [&] { Split(sourcePath, (fs::path(PathIn("gone")) / "movie").string(), options); }),
      "The file to split " + sourcePath + " cannot be one of the split files it is split into.");
  EXPECT_EQ(FileBytes(sourcePath), source);
  EXPECT_EQ(std::distance(fs::directory_iterator(other), fs::directory_iterator()), 1);
}

// Cancelling while the stub is copied: no file is finished, so the question comes at once.
TEST_F(SplitOperation, CancelDuringTheStub) {
  StubRecord stub;
  LocateStub(stub);
  const std::string sourcePath = WriteSource(SourceBytes(10000));
  for (const bool deleteFiles : {true, false}) {
    SCOPED_TRACE(deleteFiles ? "delete" : "keep");
    const std::string prefix = PathIn(deleteFiles ? "deleted" : "kept");
    const std::string master = PackageFileName(prefix, kCurrentVersion, true, 0);
    SplitOptions options = SizeMode(stub.size + 56);
    options.selfExtracting = true;
    host_.questions.clear();
    host_.answers = {kButtonYes, deleteFiles ? kButtonYes : kButtonNo};
    {
      OperationScope scope(host_);
      RequestCancel();
      EXPECT_THROW(Splitter().Split(host_, sourcePath, prefix, options), CUserException);
    }
    ASSERT_EQ(host_.questions.size(), 2u);
    EXPECT_EQ(host_.questions[0].text, kConfirmCancel);
    EXPECT_EQ(host_.questions[1].text, kDeleteSplitFiles);
    EXPECT_EQ(host_.questions[1].boxType, kBoxYesNo | kBoxIconQuestion);
    EXPECT_EQ(platform::FileExists(master), !deleteFiles);
    EXPECT_FALSE(platform::FileExists(PackageFileName(prefix, kCurrentVersion, true, 1)));
    EXPECT_EQ(host_.statusText, "The operation was NOT completed.");
  }
}

struct CancelCase {
  const char* name;
  int pump;                 // the pump at which the user presses Cancel
  std::uint32_t piece;      // the piece being written when the question comes
  bool answerDelete;        // the answer to "Would you like to have the split files deleted?"
  bool removeEarlierPiece;  // piece 1 went away with its disk
};

// Pieces of 300,000 bytes take three blocks each, and the clock moves on every read so that
// every block polls for the cancel request and pumps messages.
TEST_F(SplitOperation, CancelBetweenAndInsidePieces) {
  const Bytes source = SourceBytes(700000);
  const std::string sourcePath = WriteSource(source);
  const CancelCase cases[] = {
      // Pump 3 ends piece 1: the poll before piece 2 asks.
      {"between pieces, delete", 3, 2, true, false},
      {"between pieces, keep", 3, 2, false, false},
      // Pump 4 follows the first block of piece 2: CopyData asks before the second.
      {"inside a piece, delete", 4, 2, true, false},
      {"inside a piece, keep", 4, 2, false, false},
      {"earlier piece on another disk", 4, 2, true, true},
  };
  for (const CancelCase& test : cases) {
    SCOPED_TRACE(test.name);
    const std::string prefix =
        PathIn(std::string("p-") + std::to_string(test.pump) + (test.answerDelete ? "d" : "k") +
               (test.removeEarlierPiece ? "r" : ""));
    const std::vector<std::string> names = Names(prefix, 4);
    host_.tickStep = 200;
    host_.pumpCount = 0;
    host_.questions.clear();
    host_.answers = {kButtonYes};
    if (!test.removeEarlierPiece)
      host_.answers.push_back(test.answerDelete ? kButtonYes : kButtonNo);
    host_.onPump = [&] {
      if (host_.pumpCount == test.pump) {
        if (test.removeEarlierPiece) DeleteFileByName(names[1]);
        RequestCancel();
      }
      return false;
    };
    SplitOptions options = SizeMode(300056);
    EXPECT_THROW(Split(sourcePath, prefix, options), CUserException);
    ASSERT_FALSE(host_.questions.empty());
    EXPECT_EQ(host_.questions[0].text, kConfirmCancel);
    if (test.removeEarlierPiece) {
      // No question: the split cannot tell what is on the other disks; what is here goes.
      EXPECT_EQ(host_.questions.size(), 1u);
      EXPECT_FALSE(AnyPackageFileExists(prefix, 4));
      continue;
    }
    ASSERT_EQ(host_.questions.size(), 2u);
    EXPECT_EQ(host_.questions[1].text, kDeleteSplitFiles);
    if (test.answerDelete) {
      EXPECT_FALSE(AnyPackageFileExists(prefix, 4));
      continue;
    }
    // Kept: the master, the finished piece and the piece that was being written.
    EXPECT_EQ(FileBytes(names[0]).size(), 2128u);
    EXPECT_TRUE(FileBytes(names[1]) == ExpectedPieceFiles(source, 300000)[0]);
    const bool insidePiece = test.pump == 4;
    EXPECT_EQ(platform::FileExists(names[2]), insidePiece);
    if (insidePiece) {
      EXPECT_EQ(FileBytes(names[2]).size(), 128u * 1024);  // the header and the first block
    }
    EXPECT_FALSE(platform::FileExists(names[3]));
  }
}

struct RelocationCase {
  const char* name;
  LocationAnswer answer;
};

// The destination folder goes away after the page checked it (its disk was taken out): no
// space can be asked for, so creating the master fails and the prompt gives the system's reason.
TEST_F(SplitOperation, VanishedDestinationLeadsToThePrompt) {
  const Bytes source = SourceBytes(10000);
  const std::string sourcePath = WriteSource(source);
  const std::string gone = PathIn("gone");
  const std::string prefix = (fs::path(gone) / "movie").string();
  const std::string master = PackageFileName(prefix, kCurrentVersion, false, 0);
  const std::string reason = master + " contains an incorrect path.";
  const RelocationCase cases[] = {{"other folder", LocationAnswer::ok},
                                  {"cancel", LocationAnswer::cancel},
                                  {"path too long", LocationAnswer::pathTooLong}};
  for (const RelocationCase& test : cases) {
    SCOPED_TRACE(test.name);
    const std::string other = PathIn(std::string("other-") + test.name);
    fs::create_directory(other);
    host_.prompts.clear();
    host_.promptReplies = {{test.answer, other}};
    SplitOptions options = SizeMode(4424);
    try {
      Split(sourcePath, prefix, options);
      EXPECT_EQ(test.answer, LocationAnswer::ok);
    } catch (const CUserException&) {
      EXPECT_EQ(test.answer, LocationAnswer::cancel);
    } catch (const CSystemErrorException& error) {
      EXPECT_EQ(test.answer, LocationAnswer::pathTooLong);
      EXPECT_EQ(error.errorCode, platform::kErrorBufferOverflow);
    }
    EXPECT_TRUE(host_.questions.empty());
    ASSERT_EQ(host_.prompts.size(), 1u);
    EXPECT_EQ(host_.prompts[0].mode, LocationMode::folder);
    EXPECT_EQ(host_.prompts[0].path, FolderPart(master));
    EXPECT_EQ(host_.prompts[0].reason, reason);
    if (test.answer != LocationAnswer::ok) {
      EXPECT_TRUE(fs::is_empty(other));
      continue;
    }
    // Every name follows the master; the master still names the prefix it was planned with.
    const std::vector<std::string> names = Names((fs::path(other) / "movie").string(), 4);
    ExpectMasterHeader(FileBytes(names[0]), 0, ExpectedHeader(4368, 4, 10000, prefix, sourcePath));
    ExpectPieces(names, source, 4368);
  }
}

TEST_F(SplitOperation, FixedDriveShortOfSpaceAsksFirst) {
  if (!IsFixedDriveFolder(scratch_.PathText())) GTEST_SKIP() << "no fixed drive here";
  const std::string sourcePath = PathIn("huge.bin");
  MakeSparseFile(sourcePath, 1024ull * 1024 * 1024 * 1024);
  const std::optional<std::uint64_t> free = GetFreeSpaceAt(scratch_.PathText(), true);
  if (!free || *free > 1000ull * 1024 * 1024 * 1024) GTEST_SKIP() << "the disk is too large";
  const std::string prefix = PathIn("huge");
  host_.answers = {kButtonNo};
  SplitOptions options = SizeMode(100ull * 1024 * 1024 * 1024);
  EXPECT_THROW(Split(sourcePath, prefix, options), CUserException);
  ASSERT_EQ(host_.questions.size(), 1u);
  const std::string& text = host_.questions[0].text;
  EXPECT_TRUE(
      text.starts_with("There is not enough space on the destination fixed drive to split " +
                       sourcePath + ".\n\nFree "))
      << text;
  // 1 TiB in pieces of 100 GiB takes 12 files.
  const std::uint64_t estimate = EstimatePackageSize(12, 1024ull * 1024 * 1024 * 1024, 0);
  EXPECT_TRUE(text.ends_with(" or choose a different drive with at least " +
                             FormatByteSize(estimate) +
                             " of available space.\n\nWould you like to continue anyway?"))
      << text;
  EXPECT_EQ(host_.questions[0].boxType, kBoxYesNo | kBoxIconQuestion);
  EXPECT_FALSE(AnyPackageFileExists(prefix, 12));
}

// A file system mounted on a scratch folder for one test; mounting needs root.
class MountedSplit : public SplitOperation {
 protected:
  bool Mount(const std::string& command) {
    if (OnWindows()) return false;
    fs::create_directory(Point());
    if (std::system((command + " >/dev/null 2>&1").c_str()) != 0) return false;
    mounted_ = true;
    return true;
  }
  void TearDown() override {
    if (mounted_) std::system(("umount " + Point() + " >/dev/null 2>&1").c_str());
    SplitOperation::TearDown();
  }
  std::string Point() const { return PathIn("volume"); }

  bool mounted_ = false;
};

// A small tmpfs stands for a removable disk: each file that does not fit asks for the next
// disk by its index; the test takes the files away as the user would take the disk out. The
// manifest's digests of the files on earlier disks were taken before the disk went.
TEST_F(MountedSplit, FullDiskAsksForTheNextDisk) {
  if (!Mount("mount -t tmpfs -o size=16k partwell-split " + Point())) {
    GTEST_SKIP() << "cannot mount a tmpfs (root on POSIX needed)";
  }
  const std::optional<std::uint64_t> empty = GetFreeSpaceAt(Point(), true);
  ASSERT_TRUE(empty.has_value());
  ASSERT_GE(*empty, 4368u);
  // A piece fills an empty disk exactly, so the first one does not fit beside the master.
  const std::uint64_t pieceData = *empty - 56;
  const Bytes source = SourceBytes(2 * pieceData + 1000);
  const std::string sourcePath = WriteSource(source);
  const std::string prefix = (fs::path(Point()) / "movie").string();
  const std::string collected = PathIn("collected");
  fs::create_directory(collected);
  const auto takeDiskOut = [&] {
    for (const auto& entry : fs::directory_iterator(Point())) {
      fs::copy_file(entry.path(), fs::path(collected) / entry.path().filename());
      fs::remove(entry.path());
    }
  };
  host_.beforePrompt = [&](const std::string&) { takeDiskOut(); };
  const std::string folder = (fs::path(Point()) / "").string();
  host_.promptReplies = {
      {LocationAnswer::ok, folder}, {LocationAnswer::ok, folder}, {LocationAnswer::ok, folder}};
  SplitOptions options = SizeMode(*empty);
  options.promptOnOverwrites = false;
  options.writeManifest = true;
  Split(sourcePath, prefix, options);
  takeDiskOut();

  ASSERT_EQ(host_.prompts.size(), 3u);
  for (std::uint32_t disk = 1; disk <= 3; ++disk) {
    SCOPED_TRACE(disk);
    EXPECT_EQ(host_.prompts[disk - 1].path, folder);
    EXPECT_EQ(host_.prompts[disk - 1].reason,
              "Not enough space to store " + PackageFileName(prefix, kCurrentVersion, false, disk) +
                  ".\n\nIf you are splitting to removeable media, please insert a new disk "
                  "labeled #" +
                  std::to_string(disk) + " then press OK.");
  }
  const std::vector<std::string> names = Names((fs::path(collected) / "movie").string(), 4);
  ExpectMasterHeader(FileBytes(names[0]), 0,
                     ExpectedHeader(pieceData, 4, source.size(), prefix, sourcePath));
  ExpectPieces(names, source, pieceData);
  EXPECT_EQ(host_.statusText, "The operation was completed.");
  const std::optional<ManifestDigests> manifest =
      ReadManifest((fs::path(collected) / "movie.sha256").string());
  ASSERT_TRUE(manifest.has_value());
  const auto digestOf = [](const Bytes& bytes) {
    Sha256 digest;
    digest.Update(bytes.data(), bytes.size());
    return digest.Finish();
  };
  for (const std::string& name : names) {
    EXPECT_EQ(manifest->at(fs::path(name).filename().string()), digestOf(FileBytes(name))) << name;
  }
  EXPECT_EQ(manifest->at("source.bin"), digestOf(source));
}

// A package of six pieces of four pages, three to a disk of 64 KiB, with four volumes of a piece
// and a little each: the disks are taken out as the user would, into one folder.
class SpreadRecoverySplit : public MountedSplit {
 protected:
  static constexpr std::uint64_t kPieceFile = 16384;

  void SplitWithReplies(std::vector<LocationAnswer> answers) {
    source_ = SourceBytes(6 * (kPieceFile - 56) - 700);
    const std::string sourcePath = WriteSource(source_);
    fs::create_directory(collected_);
    host_.beforePrompt = [this](const std::string&) { TakeDiskOut(); };
    for (const LocationAnswer answer : answers) host_.promptReplies.push_back({answer, Folder()});
    SplitOptions options = SizeMode(kPieceFile);
    options.promptOnOverwrites = false;
    options.recovery = {4, false};
    try {
      Split(sourcePath, (fs::path(Point()) / "movie").string(), options);
    } catch (const CUserException&) {
      host_.statusText += " (cancelled)";
    }
    TakeDiskOut();
  }
  void TakeDiskOut() {
    std::vector<std::string>& disk = disks_.emplace_back();
    for (const auto& entry : fs::directory_iterator(Point())) {
      disk.push_back(entry.path().filename().string());
      fs::copy_file(entry.path(), collected_ / entry.path().filename());
      fs::remove(entry.path());
    }
    std::ranges::sort(disk);
  }
  std::string Folder() const { return (fs::path(Point()) / "").string(); }
  std::vector<std::string> CollectedNames() const {
    return Names((collected_ / "movie").string(), 7);
  }

  Bytes source_;
  const fs::path collected_ = PathIn("collected");
  std::vector<std::vector<std::string>> disks_;
};

// Made from the source, as the earlier disks are gone, the volumes follow the last piece, each
// whole on one disk, and par2 rebuilds as many lost files from them.
TEST_F(SpreadRecoverySplit, VolumesFollowTheLastPieceEachWholeOnOneDisk) {
  if (!Mount("mount -t tmpfs -o size=64k partwell-split " + Point())) {
    GTEST_SKIP() << "cannot mount a tmpfs (root on POSIX needed)";
  }
  SplitWithReplies(std::vector<LocationAnswer>(3, LocationAnswer::ok));
  EXPECT_EQ(host_.statusText, "The operation was completed.");
  const std::vector<std::string> names = CollectedNames();
  ExpectPieces(names, source_, kPieceFile - 56);
  // Disks of three pieces, then of three volumes with the index, then of the last volume.
  ASSERT_EQ(disks_.size(), 4u);
  EXPECT_EQ(disks_[2], (std::vector<std::string>{"movie.par2", "movie.vol0+1.par2",
                                                 "movie.vol1+1.par2", "movie.vol2+1.par2"}));
  EXPECT_EQ(disks_[3], std::vector<std::string>{"movie.vol3+1.par2"});
  EXPECT_EQ(host_.prompts.back().reason,
            "Not enough space to store " + Folder() +
                "movie.vol3+1.par2.\n\nIf you are splitting "
                "to removeable media, please insert a new disk labeled #10 then press OK.");
  if (!HavePar2()) GTEST_SKIP() << "par2 is not installed";
  const std::string inCollected = "cd '" + collected_.string() + "' && par2 ";
  ASSERT_EQ(std::system((inCollected + "verify -q movie.par2 >par2.log 2>&1").c_str()), 0)
      << ReadWholeFile(collected_ / "par2.log");
  for (const std::size_t lost : {0, 2, 3, 6}) fs::remove(names[lost]);
  ASSERT_EQ(std::system((inCollected + "repair -q movie.par2 >par2.log 2>&1").c_str()), 0)
      << ReadWholeFile(collected_ / "par2.log");
  ExpectPieces(names, source_, kPieceFile - 56);
}

// A cancel at the first disk for the volumes keeps the whole package, the pieces in the drive
// too: only a package that is all here is offered for deletion.
TEST_F(SpreadRecoverySplit, ACancelForTheVolumesKeepsTheWholePackage) {
  if (!Mount("mount -t tmpfs -o size=64k partwell-split " + Point())) {
    GTEST_SKIP() << "cannot mount a tmpfs (root on POSIX needed)";
  }
  SplitWithReplies({LocationAnswer::ok, LocationAnswer::cancel});
  EXPECT_EQ(host_.statusText, "The operation was NOT completed. (cancelled)");
  EXPECT_TRUE(host_.questions.empty());
  ExpectPieces(CollectedNames(), source_, kPieceFile - 56);
  EXPECT_FALSE(fs::exists(collected_ / "movie.par2"));
}

// A one-file FUSE file system whose reads fail with EIO while a control file exists; it serves
// the bytes i * 7 + (i >> 8) * 13 (mod 256) and bypasses the page cache.
constexpr std::string_view kFailingFileSystem = R"(
import ctypes, errno, os, struct, sys
point, control, size = sys.argv[1], sys.argv[2], int(sys.argv[3])
fd = os.open("/dev/fuse", os.O_RDWR)
libc = ctypes.CDLL(None, use_errno=True)
options = f"fd={fd},rootmode=40000,user_id=0,group_id=0".encode()
if libc.mount(b"partwell-failing", point.encode(), b"fuse", 6, options) != 0:
    sys.exit("mount: " + os.strerror(ctypes.get_errno()))
def attr(node):
    if node == 1:
        return struct.pack("<QQQQQQIIIIIIIIII", 1, 0, 0, 0, 0, 0, 0, 0, 0, 0o40755, 2, 0, 0, 0, 4096, 0)
    return struct.pack("<QQQQQQIIIIIIIIII", 2, size, (size + 511) // 512, 0, 0, 0, 0, 0, 0,
                       0o100644, 1, 0, 0, 0, 4096, 0)
def reply(unique, error=0, body=b""):
    os.write(fd, struct.pack("<IiQ", 16 + len(body), -error, unique) + body)
while True:
    try:
        request = os.read(fd, 1 << 21)
    except OSError as e:
        if e.errno == errno.EINTR: continue
        break
    length, opcode, unique, node = struct.unpack_from("<IIQQ", request)
    body = request[40:]
    if opcode == 26:  # INIT
        major, minor, readahead, flags = struct.unpack_from("<IIII", body)
        reply(unique, 0, struct.pack("<IIIIHHIIHHI", 7, 31, readahead, 0, 0, 0, 1 << 20, 1, 0, 0, 0) + bytes(28))
    elif opcode == 1:  # LOOKUP
        if node == 1 and body.rstrip(b"\0") == b"source.bin":
            reply(unique, 0, struct.pack("<QQQQII", 2, 0, 1, 1, 0, 0) + attr(2))
        else:
            reply(unique, errno.ENOENT)
    elif opcode == 3:  # GETATTR
        reply(unique, 0, struct.pack("<QII", 1, 0, 0) + attr(node))
    elif opcode in (14, 27):  # OPEN, OPENDIR: direct I/O, every read reaches us
        reply(unique, 0, struct.pack("<QII", 0, 1, 0))
    elif opcode == 15:  # READ
        fh, offset, count = struct.unpack_from("<QQI", body)
        if os.path.exists(control):
            reply(unique, errno.EIO)
        else:
            reply(unique, 0, bytes((i * 7 + (i >> 8) * 13) & 0xFF
                                   for i in range(offset, min(size, offset + count))))
    elif opcode in (18, 25, 29, 34):  # RELEASE, FLUSH, RELEASEDIR, ACCESS
        reply(unique)
    elif opcode == 16:  # FORGET has no reply
        pass
    elif opcode == 38:  # DESTROY
        reply(unique)
        break
    else:
        reply(unique, errno.ENOSYS)
)";

class FailingSource : public MountedSplit {
 protected:
  static constexpr std::size_t kSize = 700000;

  // Serves the source from the failing file system; false when that cannot be had here.
  bool Serve() {
    if (OnWindows()) return false;
    const std::string script =
        scratch_.Write("failing.py", kFailingFileSystem.data(), kFailingFileSystem.size());
    fs::create_directory(Point());
    const std::string command = "python3 " + script + " " + Point() + " " + Control() + " " +
                                std::to_string(kSize) + " >" + PathIn("failing.log") + " 2>&1 &";
    if (std::system(command.c_str()) != 0) return false;
    // Startup of the server: at most ten seconds.
    for (int attempt = 0; attempt < 1000; ++attempt) {
      if (platform::FileExists(SourcePath())) {
        mounted_ = true;
        return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  std::string SourcePath() const { return (fs::path(Point()) / "source.bin").string(); }
  std::string Control() const { return PathIn("fail-reads"); }
  static Bytes Expected() {
    Bytes bytes(kSize);
    for (std::size_t i = 0; i < kSize; ++i)
      bytes[i] = static_cast<std::uint8_t>(i * 7 + (i >> 8) * 13);
    return bytes;
  }
};

// The source fails in the middle of piece 2; after Retry the piece is written again from its
// first byte and holds what an undisturbed split writes.
TEST_F(FailingSource, ReadErrorOffersRetry) {
  if (!Serve()) GTEST_SKIP() << "cannot serve a FUSE file system here (root and python3 needed)";
  for (const int answer : {kButtonRetry, kButtonCancel}) {
    SCOPED_TRACE(answer == kButtonRetry ? "retry" : "cancel");
    const std::string prefix = PathIn(answer == kButtonRetry ? "retried" : "cancelled");
    host_.tickStep = 200;
    host_.pumpCount = 0;
    host_.questions.clear();
    host_.answers = {answer};
    host_.onPump = [&] {
      if (host_.pumpCount == 4) WriteWholeFile(Control(), "", 0);
      return false;
    };
    host_.beforeQuestion = [&](const std::string&) { fs::remove(Control()); };
    SplitOptions options = SizeMode(300056);
    if (answer == kButtonRetry) {
      Split(SourcePath(), prefix, options);
      ExpectPieces(Names(prefix, 4), Expected(), 300000);
    } else {
      EXPECT_THROW(Split(SourcePath(), prefix, options), CUserException);
      EXPECT_FALSE(AnyPackageFileExists(prefix, 4));
    }
    ASSERT_EQ(host_.questions.size(), 1u);
    EXPECT_NE(host_.questions[0].text.find(SourcePath()), std::string::npos)
        << host_.questions[0].text;
    EXPECT_EQ(host_.questions[0].boxType, kBoxRetryCancel | kBoxIconQuestion);
    EXPECT_TRUE(host_.prompts.empty());
  }
}

}  // namespace
