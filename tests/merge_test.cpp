#include "engine/merge/merger.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/exceptions.h"
#include "base/message_format.h"
#include "base/path_text.h"
#include "base/text_format.h"
#include "engine/disk_space.h"
#include "engine/file64.h"
#include "engine/operation_host.h"
#include "engine/operation_state.h"
#include "engine/package_names.h"
#include "engine/split/splitter.h"
#include "platform/files.h"
#include "res/resource.h"
#include "tests/support/package_builder.h"
#include "tests/support/program_run.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/scripted_host.h"
#include "tests/support/split_package.h"

namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kPieceData = 4312;
// Five pieces, the last one short: a master and five data split files.
ByteString Original(std::uint32_t seed = 1) { return PatternBytes(kPieceData * 4 + 777, seed); }

std::string Text(unsigned id, std::initializer_list<std::string_view> args = {}) {
  return LoadMessage(id, args).value_or("");
}
TestPackage PackageOfVersion(std::uint32_t version) {
  PackageOptions packageOptions;
  packageOptions.version = version;
  return TestPackage(packageOptions, Original());
}

std::string ContentsCorruption() {
  return Text(IDS_CORRUPTION_WARNING, {Text(IDS_CONTENTS_MISMATCH)});
}
std::string SizesCorruption() { return Text(IDS_CORRUPTION_WARNING, {Text(IDS_SIZES_MISMATCH)}); }
std::string TextOf(const CException& error) {
  std::string text;
  error.GetErrorMessage(text, 4096);
  return text;
}
std::string FileErrorText(int cause, const std::string& path) {
  return TextOf(CFileException(cause, -1, path));
}
std::string DiskPrompt(const std::string& error, std::uint32_t disk) {
  return Text(IDS_INSERT_MERGE_DISK, {error, std::to_string(disk)});
}
// The temporary files that merges into `name` made in the folder.
std::vector<fs::path> TemporariesOf(const fs::path& folder, const std::string& name) {
  std::vector<fs::path> found;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().filename().string().starts_with("." + name + ".partwell-")) {
      found.push_back(entry.path());
    }
  }
  return found;
}

class MergeTest : public ::testing::Test {
 protected:
  enum class Mode { merge, verify };

  // "" when the operation completed, "<abort>" for a silent abort, else the error's text.
  std::string Run(const std::string& master, const std::string& destination,
                  Mode mode = Mode::merge) {
    MergeOptions run = options;
    run.verifyOnly = mode == Mode::verify;
    std::string outcome;
    {
      OperationScope scope(host());
      try {
        Merger().Merge(host(), master, destination, run);
      } catch (const CUserException&) {
        outcome = "<abort>";
      } catch (const CException& error) {
        outcome = TextOf(error);
      }
    }
    return outcome;
  }

  HookedHost& host() { return *host_; }
  void NewHost() { host_ = std::make_unique<HookedHost>(); }
  std::string LastStatus() const { return host_->statusText; }

  static std::string Path(const fs::path& folder, const std::string& name) {
    return (folder / name).string();
  }

  ScratchFolder scratch;
  MergeOptions options{.promptOnOverwrite = false, .deleteWhenDone = false};

 private:
  std::unique_ptr<HookedHost> host_ = std::make_unique<HookedHost>();
};

TEST_F(MergeTest, EveryVersionMergesByteExactAndVerifies) {
  struct Case {
    const char* what;
    std::uint32_t version;
    bool selfExtracting;
  };
  const Case cases[] = {
      {"current", kTestCurrentVersion, false},
      {"current_self_extracting", kTestCurrentVersion, true},
      {"current_minor", 0x00030007, false},
      {"v2", kTestVersion2, false},
      {"v2_self_extracting", kTestVersion2, true},
      {"v1_2", kTestVersion1_2, false},
      {"v1", kTestVersion1, false},
      {"v1_self_extracting", kTestVersion1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PackageOptions packageOptions;
    packageOptions.version = c.version;
    packageOptions.selfExtracting = c.selfExtracting;
    packageOptions.stub = PatternBytes(3000, 5);
    const TestPackage package(packageOptions, Original());
    const fs::path folder = SubFolder(scratch.Path(), c.what);
    const std::vector<std::string> files = package.WriteTo(folder);
    const std::string destination = Path(folder, "merged.bin");

    NewHost();
    ASSERT_EQ(Run(files[0], destination), "");
    EXPECT_EQ(FileBytes(destination), package.Original());
    const std::vector<std::string> statuses = host().LogOf("status: ");
    ASSERT_FALSE(statuses.empty());
    EXPECT_EQ(statuses.front(), "status: " + Text(IDS_PROCESSING_FILE, {package.FileName(0)}));
    EXPECT_EQ(statuses.back(), "status: " + Text(IDS_OPERATION_COMPLETED));
    for (std::uint32_t index = 1; index < files.size(); ++index) {
      const std::string processing =
          "status: " + Text(IDS_PROCESSING_FILE, {package.FileName(index)});
      EXPECT_EQ(std::count(statuses.begin(), statuses.end(), processing), 1) << processing;
    }
    fs::remove(destination);

    // Verify: the earliest packages ask first, since only their format can be checked.
    NewHost();
    if (c.version == kTestVersion1) host().answers = {kButtonYes};
    const auto before = FolderContents(scratch.Path());
    EXPECT_EQ(Run(files[0], destination, Mode::verify), "");
    EXPECT_EQ(FolderContents(scratch.Path()), before);
    EXPECT_EQ(LastStatus(), Text(IDS_OPERATION_COMPLETED));
    if (c.version == kTestVersion1) {
      ASSERT_EQ(host().questions.size(), 1u);
      EXPECT_EQ(host().questions[0].text, Text(IDS_EARLY_PACKAGE_VERIFY));
      EXPECT_EQ(host().questions[0].boxType, kBoxYesNo | kBoxIconQuestion);
    } else {
      EXPECT_TRUE(host().questions.empty());
    }
  }
}

TEST_F(MergeTest, DecliningToVerifyAnEarlyPackageStopsBeforeReadingPieces) {
  PackageOptions packageOptions;
  packageOptions.version = kTestVersion1;
  const std::vector<std::string> files =
      TestPackage(packageOptions, Original()).WriteTo(scratch.Path());
  host().answers = {kButtonNo};
  EXPECT_EQ(Run(files[0], Path(scratch.Path(), "out.bin"), Mode::verify), "<abort>");
  EXPECT_EQ(LastStatus(), Text(IDS_OPERATION_NOT_COMPLETED));
  EXPECT_TRUE(host().LogOf("status: " + Text(IDS_PROCESSING_FILE, {"data.bin1.fss"})).empty());
}

TEST_F(MergeTest, APackageCopiedElsewhereOrWithARenamedMasterMerges) {
  const TestPackage package(PackageOptions{}, Original());
  const fs::path first = SubFolder(scratch.Path(), "first");
  package.WriteTo(first);
  const fs::path copy = scratch.Path() / "copy";
  fs::copy(first, copy);
  fs::remove_all(first);
  const std::string destination = Path(scratch.Path(), "merged.bin");
  ASSERT_EQ(Run(Path(copy, package.FileName(0)), destination), "");
  EXPECT_EQ(FileBytes(destination), package.Original());

  fs::rename(copy / package.FileName(0), copy / "renamed.fsm");
  NewHost();
  ASSERT_EQ(Run(Path(copy, "renamed.fsm"), destination), "");
  EXPECT_EQ(FileBytes(destination), package.Original());
}

TEST_F(MergeTest, PackagesWrittenByTheSplitMergeBack) {
  for (const bool selfExtracting : {false, true}) {
    SCOPED_TRACE(selfExtracting ? "self-extracting" : "data-only");
    SplitOptions splitOptions;
    splitOptions.bySize = true;
    splitOptions.selfExtracting = selfExtracting;
    splitOptions.promptOnOverwrites = false;
    // Room for the lite program in the master's pieces' size, so the test follows its size.
    std::uint64_t stubSize = 0;
    ASSERT_TRUE(FileSizeByName(BuiltLiteProgramPath(), stubSize));
    splitOptions.maxSplitFileSize = std::max<std::uint64_t>(stubSize + 3208, 100000);
    const Bytes source = SourceBytes(splitOptions.maxSplitFileSize * 2 + 1234);
    const std::string sourcePath = Path(scratch.Path(), "source.bin");
    WriteWholeFile(sourcePath, source.data(), source.size());
    const std::string prefix = Path(SubFolder(scratch.Path(), "package"), "source.bin");
    NewHost();
    {
      OperationScope scope(host());
      Splitter().Split(host(), sourcePath, prefix, splitOptions);
    }
    const std::string destination = Path(scratch.Path(), "merged.bin");
    NewHost();
    ASSERT_EQ(Run(PackageFileName(prefix, kCurrentVersion, selfExtracting, 0), destination), "");
    EXPECT_EQ(FileBytes(destination), source);
    fs::remove(destination);
  }
}

// What spoils a package, and where and how the merge must notice it.
struct Corruption {
  const char* what;
  std::function<void(TestPackage&)> spoilDescription;
  std::function<void(const std::vector<std::string>& files)> spoilFiles;
  std::uint32_t disk;
  std::function<std::string(const std::vector<std::string>& files)> reason;
};

std::string Contents(const std::vector<std::string>&) { return ContentsCorruption(); }

std::vector<Corruption> PieceCorruptions() {
  const auto invalid = [](std::uint32_t disk) {
    return [disk](const std::vector<std::string>& files) {
      return Text(IDS_INVALID_FORMAT, {files[disk]});
    };
  };
  return {
      {"one byte changed", nullptr, [](const auto& files) { FlipByteAt(files[3], 56 + 100); }, 3,
       Contents},
      {"two pieces swapped", [](TestPackage& p) { std::swap(p.pieces[1], p.pieces[2]); }, nullptr,
       2, Contents},
      {"a piece truncated", nullptr,
       [](const auto& files) { CutFileTo(files[3], 56 + kPieceData - 10); }, 3, Contents},
      {"a piece missing", nullptr, [](const auto& files) { fs::remove(files[2]); }, 2,
       [](const auto& files) { return FileErrorText(CFileException::fileNotFound, files[2]); }},
      {"a piece from another package", nullptr,
       [](const auto& files) {
         const TestPackage other(PackageOptions{}, Original(99));
         const ByteString bytes = other.PieceFileBytes(2);
         WriteWholeFile(files[3], bytes.data(), bytes.size());
       },
       3, Contents},
      {"a piece with a wrong magic", [](TestPackage& p) { p.pieces[2].magic = 0x20534646; },
       nullptr, 3, invalid(3)},
      {"a piece with a wrong version", [](TestPackage& p) { p.pieces[2].version = 0x00040000; },
       nullptr, 3, invalid(3)},
      {"a piece of an early form the master does not know",
       [](TestPackage& p) {
         p.pieces[2].version = 0x00010001;
         p.pieces[2].headerSize = 28;
       },
       nullptr, 3, invalid(3)},
      {"a piece shorter than any header", nullptr,
       [](const auto& files) { CutFileTo(files[1], 27); }, 1, invalid(1)},
      {"a piece above the largest size",
       [](TestPackage& p) { p.master.maxPieceDataSize = kPieceData - 1; }, nullptr, 1, Contents},
      {"a header claiming more data than its file",
       [](TestPackage& p) { p.pieces[4].dataSize += 1; }, nullptr, 5, Contents},
      {"more data than the original size", [](TestPackage& p) { p.master.originalSize -= 1; },
       nullptr, 5, Contents},
      {"more files named than there are", [](TestPackage& p) { p.master.fileCount = 32766; },
       nullptr, 6,
       [](const auto& files) {
         return FileErrorText(CFileException::fileNotFound,
                              FolderPart(files[0]) + "data.bin_00006.fss");
       }},
  };
}

TEST_F(MergeTest, EachFaultyPieceIsNamedWithItsDiskAndNothingIsLeftBehind) {
  for (const Corruption& corruption : PieceCorruptions()) {
    for (const Mode mode : {Mode::merge, Mode::verify}) {
      SCOPED_TRACE(std::string(corruption.what) + (mode == Mode::verify ? " (verify)" : ""));
      ScratchFolder folder;
      TestPackage package(PackageOptions{}, Original());
      if (corruption.spoilDescription) corruption.spoilDescription(package);
      const std::vector<std::string> files = package.WriteTo(folder.Path());
      if (corruption.spoilFiles) corruption.spoilFiles(files);
      const auto before = FolderContents(folder.Path());

      // The same file chosen again fails again; then the user gives up.
      NewHost();
      std::string offered = corruption.disk < files.size()
                                ? files[corruption.disk]
                                : FolderPart(files[0]) + package.FileName(corruption.disk);
      host().promptReplies = {{LocationAnswer::ok, offered}, {LocationAnswer::cancel, ""}};
      EXPECT_EQ(Run(files[0], Path(folder.Path(), "merged.bin"), mode), "<abort>");

      const std::string reason = DiskPrompt(corruption.reason(files), corruption.disk);
      ASSERT_EQ(host().prompts.size(), 2u);
      for (const ScriptedHost::Prompt& prompt : host().prompts) {
        EXPECT_EQ(prompt.mode, LocationMode::file);
        EXPECT_EQ(prompt.path, offered);
        EXPECT_EQ(prompt.reason, reason);
      }
      EXPECT_EQ(LastStatus(), Text(IDS_OPERATION_NOT_COMPLETED));
      EXPECT_EQ(FolderContents(folder.Path()), before);
    }
  }
}

TEST_F(MergeTest, FaultyMastersEndTheMergeWithoutAPrompt) {
  struct Case {
    const char* what;
    std::function<void(TestPackage&)> spoil;
    bool outOfMemory;
  };
  const Case cases[] = {
      {"wrong magic", [](TestPackage& p) { p.master.magic = 0x20535346; }, false},
      {"unknown version", [](TestPackage& p) { p.master.version = 0x00040000; }, false},
      {"no files", [](TestPackage& p) { p.master.fileCount = 0; }, false},
      {"too many files", [](TestPackage& p) { p.master.fileCount = 32767; }, false},
      {"self-extracting with a broken trailer",
       [](TestPackage& p) {
         p.selfExtracting = true;
         p.stub = PatternBytes(2000, 3);
         p.trailer.headerOffset = 2000;
         p.trailer.check = 0;
       },
       false},
      {"a trailer pointing past the end",
       [](TestPackage& p) {
         p.selfExtracting = true;
         p.stub = PatternBytes(2000, 3);
         p.trailer.headerOffset = 0x7FFFFFFF;
         p.trailer.check = 0x7FFFFFFF + 1080u;
       },
       false},
      {"pieces above 100 GiB", [](TestPackage& p) { p.master.maxPieceDataSize = 107374182401ull; },
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchFolder folder;
    TestPackage package(PackageOptions{}, Original());
    c.spoil(package);
    const std::vector<std::string> files = package.WriteTo(folder.Path());
    const auto before = FolderContents(folder.Path());
    NewHost();
    const std::string expected =
        c.outOfMemory ? TextOf(CMemoryException()) : Text(IDS_INVALID_FORMAT, {files[0]});
    EXPECT_EQ(Run(files[0], Path(folder.Path(), "merged.bin")), expected);
    EXPECT_TRUE(host().prompts.empty());
    EXPECT_EQ(LastStatus(), Text(IDS_OPERATION_NOT_COMPLETED));
    EXPECT_EQ(FolderContents(folder.Path()), before);
  }
  NewHost();
  EXPECT_EQ(Run("", Path(scratch.Path(), "merged.bin")), Text(IDS_NO_FILE_NAME));
  const std::string missing = Path(scratch.Path(), "missing.fsm");
  EXPECT_EQ(Run(missing, Path(scratch.Path(), "merged.bin")), Text(IDS_FILE_NOT_FOUND, {missing}));
}

TEST_F(MergeTest, TheMastersVersionDecidesWhichTotalIsChecked) {
  struct Case {
    const char* what;
    std::uint32_t version;
    std::function<void(TestPackage&)> spoil;
    std::string merged;    // outcome of the merge
    std::string verified;  // outcome of the verify
  };
  const auto swapPieces = [](TestPackage& p) { std::swap(p.pieces[1], p.pieces[2]); };
  const Case cases[] = {
      {"1.2: swapped pieces pass each piece but not the total", kTestVersion1_2, swapPieces,
       ContentsCorruption(), ContentsCorruption()},
      {"1.2: the master's total decides", kTestVersion1_2,
       [](TestPackage& p) { p.master.checksum += 1; }, ContentsCorruption(), ContentsCorruption()},
      {"2.0: the master's field is not used", kTestVersion2,
       [](TestPackage& p) { p.master.checksum = 0xDEADBEEF; }, "", ""},
      {"current: the master's field is not used", kTestCurrentVersion,
       [](TestPackage& p) { p.master.checksum = 0xDEADBEEF; }, "", ""},
      {"current: a larger original size", kTestCurrentVersion,
       [](TestPackage& p) { p.master.originalSize += 1; }, SizesCorruption(), SizesCorruption()},
      {"1: piece sums are not tested", kTestVersion1,
       [](TestPackage& p) { p.pieces[0].pieceSum = 0; }, "", ""},
      {"1: a sampled byte changed is found only in the output", kTestVersion1,
       [](TestPackage& p) { p.pieces[0].data[0] ^= 0x40; }, ContentsCorruption(), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchFolder folder;
    TestPackage package = PackageOfVersion(c.version);
    c.spoil(package);
    const std::vector<std::string> files = package.WriteTo(folder.Path());
    const auto before = FolderContents(folder.Path());
    const std::string destination = Path(folder.Path(), "merged.bin");

    NewHost();
    EXPECT_EQ(Run(files[0], destination), c.merged);
    EXPECT_TRUE(host().prompts.empty());
    EXPECT_EQ(fs::exists(destination), c.merged.empty());
    if (c.merged.empty()) {
      EXPECT_EQ(FileBytes(destination), package.Original()) << "a description was spoilt";
      fs::remove(destination);
    }
    NewHost();
    host().answers = {kButtonYes};  // the earliest packages ask before a verify
    EXPECT_EQ(Run(files[0], destination, Mode::verify), c.verified);
    EXPECT_EQ(FolderContents(folder.Path()), before);
  }
}

TEST_F(MergeTest, APieceChosenInAnotherFolderMovesTheLaterPiecesThere) {
  const TestPackage package(PackageOptions{}, Original());
  const fs::path here = SubFolder(scratch.Path(), "here");
  const fs::path there = SubFolder(scratch.Path(), "there");
  const std::vector<std::string> files = package.WriteTo(here);
  for (std::uint32_t index = 2; index < files.size(); ++index) {
    fs::rename(files[index], there / package.FileName(index));
  }
  fs::remove(there / package.FileName(4));
  const std::string destination = Path(scratch.Path(), "merged.bin");

  // Piece 4 is looked for in the new folder, so the second prompt offers that place.
  host().promptReplies = {{LocationAnswer::ok, Path(there, package.FileName(2))},
                          {LocationAnswer::cancel, ""}};
  EXPECT_EQ(Run(files[0], destination), "<abort>");
  ASSERT_EQ(host().prompts.size(), 2u);
  EXPECT_EQ(host().prompts[0].reason,
            DiskPrompt(FileErrorText(CFileException::fileNotFound, files[2]), 2));
  EXPECT_EQ(host().prompts[1].path, Path(there, package.FileName(4)));
  EXPECT_FALSE(fs::exists(destination));

  package.WriteTo(there);
  fs::remove(files[2]);
  NewHost();
  host().promptReplies = {{LocationAnswer::ok, Path(there, package.FileName(2))}};
  ASSERT_EQ(Run(files[0], destination), "");
  EXPECT_EQ(host().prompts.size(), 1u);
  EXPECT_EQ(FileBytes(destination), package.Original());
}

TEST_F(MergeTest, ARetriedPieceLeavesNoneOfItsFailedBytes) {
  struct Case {
    const char* what;
    std::function<void(const std::string& piece)> spoil;
  };
  const Case cases[] = {
      {"a changed byte", [](const std::string& piece) { FlipByteAt(piece, 56 + 4000); }},
      {"a short piece", [](const std::string& piece) { CutFileTo(piece, 56 + 3000); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchFolder folder;
    const TestPackage package(PackageOptions{}, Original());
    const std::vector<std::string> files = package.WriteTo(SubFolder(folder.Path(), "bad"));
    const fs::path good = SubFolder(folder.Path(), "good");
    package.WriteTo(good);
    c.spoil(files[2]);
    const std::string destination = Path(folder.Path(), "merged.bin");

    NewHost();
    std::vector<std::uintmax_t> sizesAtPrompt;
    host().beforePrompt = [&](const std::string&) {
      // Never a part of the merged file under its own name.
      EXPECT_FALSE(fs::exists(destination));
      const std::vector<fs::path> temporaries = TemporariesOf(folder.Path(), "merged.bin");
      ASSERT_EQ(temporaries.size(), 1u);
      sizesAtPrompt.push_back(fs::file_size(temporaries[0]));
    };
    host().promptReplies = {{LocationAnswer::ok, Path(good, package.FileName(2))}};
    ASSERT_EQ(Run(files[0], destination), "");
    ASSERT_EQ(sizesAtPrompt.size(), 1u);
    EXPECT_EQ(sizesAtPrompt[0], kPieceData) << "the failed attempt was not undone";
    EXPECT_EQ(FileBytes(destination), package.Original());

    NewHost();
    host().promptReplies = {{LocationAnswer::ok, Path(good, package.FileName(2))}};
    fs::remove(destination);
    EXPECT_EQ(Run(files[0], destination, Mode::verify), "");
    EXPECT_FALSE(fs::exists(destination));
  }
}

TEST_F(MergeTest, TheMergedFileIsNeverAFileOfThePackage) {
  const TestPackage package(PackageOptions{}, Original());
  const fs::path folder = SubFolder(scratch.Path(), "package");
  const std::vector<std::string> files = package.WriteTo(folder);
  fs::remove(files[4]);
  std::vector<std::string> destinations = {
      files[0], files[2], Path(folder / "sub" / "..", package.FileName(3)),
      files[4],  // missing, but still a name of the package
  };
  fs::create_directory(folder / "sub");
  const fs::path link = scratch.Path() / "link.bin";
  std::error_code noLinks;
  fs::create_symlink(files[1], link, noLinks);
  if (!noLinks) destinations.push_back(link.string());

  options.promptOnOverwrite = true;
  const auto before = FolderContents(scratch.Path());
  for (const std::string& destination : destinations) {
    SCOPED_TRACE(destination);
    NewHost();
    EXPECT_EQ(Run(files[0], destination), Text(IDS_MERGED_FILE_IN_PACKAGE, {destination}));
    EXPECT_TRUE(host().questions.empty());
    EXPECT_EQ(FolderContents(scratch.Path()), before);
  }
}

TEST_F(MergeTest, APieceChosenAtThePromptIsNeverTheMergedFile) {
  const TestPackage package(PackageOptions{}, Original());
  const std::vector<std::string> files = package.WriteTo(scratch.Path());
  fs::remove(files[2]);
  const std::string destination = Path(scratch.Path(), "elsewhere.fss");
  host().promptReplies = {{LocationAnswer::ok, destination}, {LocationAnswer::cancel, ""}};
  EXPECT_EQ(Run(files[0], destination), "<abort>");
  ASSERT_EQ(host().prompts.size(), 2u);
  EXPECT_EQ(host().prompts[1].reason,
            DiskPrompt(Text(IDS_MERGED_FILE_IN_PACKAGE, {destination}), 2));
  EXPECT_FALSE(fs::exists(destination));
}

TEST_F(MergeTest, DeleteWhenDoneDeletesThePackageOnlyWhenAllOfItIsThere) {
  options.deleteWhenDone = true;
  const TestPackage package(PackageOptions{}, Original());

  {
    SCOPED_TRACE("complete package");
    ScratchFolder folder;
    package.WriteTo(SubFolder(folder.Path(), "package"));
    const std::string destination = Path(folder.Path(), "merged.bin");
    ASSERT_EQ(Run(Path(folder.Path() / "package", package.FileName(0)), destination), "");
    EXPECT_TRUE(fs::is_empty(folder.Path() / "package"));
    EXPECT_EQ(FileBytes(destination), package.Original());
  }
  {
    SCOPED_TRACE("renamed master");
    ScratchFolder folder;
    const std::vector<std::string> files = package.WriteTo(folder.Path());
    fs::rename(files[0], folder.Path() / "renamed.fsm");
    const auto before = FolderContents(folder.Path());
    NewHost();
    ASSERT_EQ(Run(Path(folder.Path(), "renamed.fsm"),
                  Path(SubFolder(folder.Path(), "out"), "merged.bin")),
              "");
    auto after = FolderContents(folder.Path());
    after.erase("out/merged.bin");
    EXPECT_EQ(after, before);
  }
  {
    SCOPED_TRACE("verify, and a failed merge");
    ScratchFolder folder;
    const std::vector<std::string> files = package.WriteTo(folder.Path());
    const auto before = FolderContents(folder.Path());
    NewHost();
    EXPECT_EQ(Run(files[0], Path(folder.Path(), "merged.bin"), Mode::verify), "");
    EXPECT_EQ(FolderContents(folder.Path()), before);
    FlipByteAt(files[5], 56);
    const auto spoilt = FolderContents(folder.Path());
    NewHost();
    host().promptReplies = {{LocationAnswer::cancel, ""}};
    EXPECT_EQ(Run(files[0], Path(folder.Path(), "merged.bin")), "<abort>");
    EXPECT_EQ(FolderContents(folder.Path()), spoilt);
  }
  // Piece 1 is missing beside the master and is chosen in another folder, which has every
  // piece but no master: the names that the prompt moves there are not all present.
  const auto mergeAfterPrompt = [&](const ScratchFolder& folder, const std::string& destination) {
    const std::vector<std::string> files = package.WriteTo(folder.Path());
    const fs::path other = SubFolder(folder.Path(), "other");
    package.WriteTo(other);
    fs::remove(other / package.FileName(0));
    fs::remove(files[1]);
    NewHost();
    host().promptReplies = {{LocationAnswer::ok, Path(other, package.FileName(1))}};
    EXPECT_EQ(Run(files[0], destination), "");
    EXPECT_TRUE(fs::exists(files[0]));
    return std::distance(fs::directory_iterator(other), fs::directory_iterator());
  };
  {
    SCOPED_TRACE("the master's name moved by a prompt into a folder without it");
    ScratchFolder folder;
    EXPECT_EQ(mergeAfterPrompt(folder, Path(folder.Path(), "merged.bin")), 5);
  }
  {
    SCOPED_TRACE("the merged file carries a name that a prompt moved the package to");
    ScratchFolder folder;
    const std::string destination = Path(folder.Path() / "other", package.FileName(0));
    EXPECT_EQ(mergeAfterPrompt(folder, destination), 6);
    EXPECT_EQ(FileBytes(destination), package.Original());
  }
}

TEST_F(MergeTest, AnExistingMergedFileIsReplacedOnlyWhenTheUserAgrees) {
  const TestPackage package(PackageOptions{}, Original());
  const std::vector<std::string> files = package.WriteTo(scratch.Path());
  const std::string destination = Path(scratch.Path(), "merged.bin");
  const ByteString earlier = PatternBytes(100, 7);
  WriteWholeFile(destination, earlier.data(), earlier.size());

  options.promptOnOverwrite = true;
  host().answers = {kButtonNo};
  EXPECT_EQ(Run(files[0], destination), "<abort>");
  ASSERT_EQ(host().questions.size(), 1u);
  EXPECT_EQ(host().questions[0].text, Text(IDS_CONFIRM_OVERWRITE_FILE, {destination}));
  EXPECT_EQ(FileBytes(destination), earlier);

  NewHost();  // a verify neither asks nor touches the file
  EXPECT_EQ(Run(files[0], destination, Mode::verify), "");
  EXPECT_TRUE(host().questions.empty());
  EXPECT_EQ(FileBytes(destination), earlier);

  NewHost();
  host().answers = {kButtonYes};
  ASSERT_EQ(Run(files[0], destination), "");
  EXPECT_EQ(FileBytes(destination), package.Original());

  options.promptOnOverwrite = false;
  WriteWholeFile(destination, earlier.data(), earlier.size());
  NewHost();
  ASSERT_EQ(Run(files[0], destination), "");
  EXPECT_TRUE(host().questions.empty());
  EXPECT_EQ(FileBytes(destination), package.Original());
}

TEST_F(MergeTest, ACancelledMergeLeavesNoMergedFile) {
  const TestPackage package(PackageOptions{}, Original());
  const std::vector<std::string> files = package.WriteTo(SubFolder(scratch.Path(), "package"));
  const std::string destination = Path(scratch.Path(), "merged.bin");
  const auto before = FolderContents(scratch.Path());

  // Escape before a piece: the question, then Yes.
  host().escapeDown = true;
  host().answers = {kButtonYes};
  EXPECT_EQ(Run(files[0], destination), "<abort>");
  EXPECT_EQ(host().questions.at(0).text, Text(IDS_CONFIRM_CANCEL));
  EXPECT_EQ(FolderContents(scratch.Path()), before);

  // The window closed during the copy.
  NewHost();
  host().onPump = [] { return true; };
  EXPECT_EQ(Run(files[0], destination), "<abort>");
  EXPECT_EQ(LastStatus(), Text(IDS_OPERATION_NOT_COMPLETED));
  EXPECT_EQ(FolderContents(scratch.Path()), before);

  // No to the question: the merge goes on.
  NewHost();
  host().escapeDown = true;
  host().answers = std::deque<int>(10, kButtonNo);
  ASSERT_EQ(Run(files[0], destination), "");
  EXPECT_EQ(FileBytes(destination), package.Original());
}

TEST_F(MergeTest, AMergeThatFailsOrIsCancelledKeepsTheFileItWasToReplace) {
  struct Case {
    const char* what;
    std::function<void(TestPackage&)> spoil;
    std::function<void(HookedHost&)> script;
    std::string outcome;
    std::uint32_t version = kTestCurrentVersion;
  };
  const Case cases[] = {
      {"a damaged piece, then Cancel at the prompt",
       [](TestPackage& p) { p.pieces[3].data[10] ^= 1; },
       [](HookedHost& h) {
         h.promptReplies = {{LocationAnswer::cancel, ""}};
       },
       "<abort>"},
      {"the sizes differ at the end", [](TestPackage& p) { p.master.originalSize += 1; }, nullptr,
       SizesCorruption()},
      {"the package check value differs at the end", [](TestPackage& p) { p.master.checksum += 1; },
       nullptr, ContentsCorruption(), kTestVersion1_2},
      {"cancelled with Escape", nullptr,
       [](HookedHost& h) {
         h.escapeDown = true;
         h.answers = {kButtonYes};
       },
       "<abort>"},
      {"the window closed during the copy", nullptr,
       [](HookedHost& h) { h.onPump = [] { return true; }; }, "<abort>"},
  };
  const ByteString precious = PatternBytes(50'000, 9);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchFolder folder;
    TestPackage package = PackageOfVersion(c.version);
    if (c.spoil) c.spoil(package);
    const std::vector<std::string> files = package.WriteTo(SubFolder(folder.Path(), "package"));
    const std::string destination = Path(folder.Path(), "merged.bin");
    WriteWholeFile(destination, precious.data(), precious.size());
    const auto before = FolderContents(folder.Path());
    NewHost();
    if (c.script) c.script(host());
    EXPECT_EQ(Run(files[0], destination), c.outcome);
    EXPECT_EQ(FolderContents(folder.Path()), before);  // the old file whole, no temporary
  }
}

TEST_F(MergeTest, ADestinationLinkIsReplacedAndTheFileItLedToKept) {
  const TestPackage package(PackageOptions{}, Original());
  const std::vector<std::string> files = package.WriteTo(SubFolder(scratch.Path(), "package"));
  const fs::path unrelated = SubFolder(scratch.Path(), "elsewhere") / "unrelated.bin";
  const ByteString kept = PatternBytes(30'000, 4);
  WriteWholeFile(unrelated.string(), kept.data(), kept.size());
  const fs::path link = scratch.Path() / "merged.bin";
  std::error_code noLinks;
  fs::create_symlink(unrelated, link, noLinks);
  if (noLinks) GTEST_SKIP() << "no symbolic links here";

  options.promptOnOverwrite = true;
  host().answers = {kButtonYes};
  ASSERT_EQ(Run(files[0], link.string()), "");
  EXPECT_FALSE(fs::is_symlink(link));
  EXPECT_EQ(FileBytes(link.string()), package.Original());
  EXPECT_EQ(FileBytes(unrelated.string()), kept);
  // The merged file gets the permissions any new file gets here.
  const fs::path fresh = scratch.Path() / "fresh.bin";
  WriteWholeFile(fresh.string(), "x", 1);
  EXPECT_EQ(fs::status(link).permissions(), fs::status(fresh).permissions());
}

TEST_F(MergeTest, ATargetThatCannotBeWrittenOverIsRefusedBeforeAnyWork) {
  const TestPackage package(PackageOptions{}, Original());
  const std::vector<std::string> files = package.WriteTo(SubFolder(scratch.Path(), "package"));
  const std::string folderTarget = SubFolder(scratch.Path(), "merged.bin").string();
  const std::string held = Path(scratch.Path(), "held.bin");
  platform::FileHandle handle = platform::kInvalidFileHandle;
  ASSERT_EQ(platform::OpenForWriting(held, handle), 0u);
  const struct {
    std::string destination;
    int cause;
  } cases[] = {{folderTarget, CFileException::accessDenied},
               {held, CFileException::sharingViolation}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.destination);
    const auto before = FolderContents(scratch.Path());
    NewHost();
    EXPECT_EQ(Run(files[0], c.destination), FileErrorText(c.cause, c.destination));
    EXPECT_TRUE(
        host().LogOf("status: " + Text(IDS_PROCESSING_FILE, {package.FileName(1)})).empty());
    EXPECT_EQ(FolderContents(scratch.Path()), before);
  }
  platform::CloseFileHandle(handle);
}

// A merge killed where it waits for a missing piece (piece 1 written) leaves its temporary and
// nothing under the real name; the next merge into that place removes the temporary.
TEST_F(MergeTest, AKilledMergeLeavesOnlyATemporaryThatTheNextMergeRemoves) {
  if (ProgramsAreWindowsPrograms()) GTEST_SKIP() << "needs POSIX signals";
  const TestPackage package(PackageOptions{}, Original());
  const std::vector<std::string> files = package.WriteTo(SubFolder(scratch.Path(), "package"));
  const fs::path out = SubFolder(scratch.Path(), "out");
  const std::string destination = Path(out, "merged.bin");
  const fs::path moved = scratch.Path() / "piece2.fss";
  fs::rename(files[2], moved);

  const std::string io = SubFolder(scratch.Path(), "io").string();
  const std::string script =
      "\"$0\" \"$1\" \"$2\" >\"$3\" & pid=$!; i=0; "
      "while ! grep -q waiting \"$3\" && [ $i -lt 1200 ]; do sleep 0.05; i=$((i+1)); done; "
      "kill -KILL $pid; wait $pid; echo $?";
  const ProgramRun run = RunProgram("sh",
                                    {"-c", script, BuiltProgramPath("merge_waiting_at_prompt"),
                                     files[0], destination, io + "/tool.out"},
                                    io);
  EXPECT_EQ(run.out, "137\n") << run.err;
  EXPECT_FALSE(fs::exists(destination));
  const std::vector<fs::path> left = TemporariesOf(out, "merged.bin");
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(fs::file_size(left[0]), kPieceData);

  fs::rename(moved, files[2]);
  ASSERT_EQ(Run(files[0], destination), "");
  EXPECT_EQ(FileBytes(destination), package.Original());
  EXPECT_TRUE(TemporariesOf(out, "merged.bin").empty());
}

TEST_F(MergeTest, OnlyStaleTemporariesOfTheSameTargetAreRemoved) {
  const TestPackage package(PackageOptions{}, Original());
  const std::vector<std::string> files = package.WriteTo(SubFolder(scratch.Path(), "package"));
  const fs::path out = SubFolder(scratch.Path(), "out");
  for (const char* name : {".merged.bin.partwell-Stale1", ".merged.bin.partwell-0a1b2c",
                           ".merged.bin.partwell-longer1", ".other.bin.partwell-Stale1"}) {
    WriteWholeFile(Path(out, name), "x", 1);
  }
  // Another merge into the same place is running: its temporary stays.
  const std::string running = Path(out, ".merged.bin.partwell-Abc123");
  platform::FileHandle handle = platform::kInvalidFileHandle;
  ASSERT_EQ(platform::CreateNewForWriting(running, handle), 0u);
  ASSERT_EQ(Run(files[0], Path(out, "merged.bin")), "");
  platform::CloseFileHandle(handle);
  auto left = FolderContents(out);
  EXPECT_EQ(left.erase("merged.bin"), 1u);
  std::vector<std::string> names;
  for (const auto& [name, bytes] : left) names.push_back(name);
  EXPECT_EQ(names,
            (std::vector<std::string>{".merged.bin.partwell-Abc123", ".merged.bin.partwell-longer1",
                                      ".other.bin.partwell-Stale1"}));
}

TEST_F(MergeTest, AMergedFileThatCannotBeCreatedIsNotBlamedOnThePackage) {
  const TestPackage package(PackageOptions{}, Original());
  const std::vector<std::string> files = package.WriteTo(scratch.Path());
  const std::string destination = Path(scratch.Path() / "no such folder", "merged.bin");
  EXPECT_EQ(Run(files[0], destination), FileErrorText(CFileException::badPath, destination));
  EXPECT_TRUE(host().prompts.empty());
}

// A small tmpfs (16 KiB unless told) stands for a full disk; it needs root, and is skipped
// elsewhere.
class SmallVolume {
 public:
  explicit SmallVolume(const fs::path& where, const std::string& size = "16k") : where_(where) {
    fs::create_directories(where);
    mounted_ = std::system(("mount -t tmpfs -o size=" + size + " tmpfs '" + where.string() +
                            "' 2>/dev/null")
                               .c_str()) == 0;
  }
  ~SmallVolume() {
    if (mounted_) {
      EXPECT_EQ(std::system(("umount '" + where_.string() + "'").c_str()), 0);
    }
  }
  bool Mounted() const { return mounted_; }

 private:
  fs::path where_;
  bool mounted_ = false;
};

TEST_F(MergeTest, ADestinationShortOfSpaceAsksForAnotherFolder) {
  SmallVolume small(scratch.Path() / "small");
  if (!small.Mounted()) GTEST_SKIP() << "mounting a tmpfs needs root on Linux";
  const TestPackage package(PackageOptions{}, Original());
  const std::vector<std::string> files = package.WriteTo(SubFolder(scratch.Path(), "package"));
  const std::string destination = Path(scratch.Path() / "small", "merged.bin");
  const std::string roomy = (SubFolder(scratch.Path(), "roomy") / "").string();
  const std::uint64_t free = GetFreeSpaceAt(destination, false).value();
  const std::uint64_t size = package.Original().size();
  ASSERT_LT(free, size);

  // A verify asks nothing about space.
  EXPECT_EQ(Run(files[0], destination, Mode::verify), "");
  EXPECT_TRUE(host().prompts.empty());

  NewHost();
  host().promptReplies = {{LocationAnswer::ok, roomy}};
  ASSERT_EQ(Run(files[0], destination), "");
  ASSERT_EQ(host().prompts.size(), 1u);
  EXPECT_EQ(host().prompts[0].mode, LocationMode::folder);
  EXPECT_EQ(host().prompts[0].path, FolderPart(destination));
  EXPECT_EQ(host().prompts[0].reason,
            Text(IDS_NOT_ENOUGH_SPACE_MERGE,
                 {destination, FormatByteSize(size - free), FormatByteSize(size)}));
  EXPECT_EQ(FileBytes(roomy + "merged.bin"), package.Original());
  EXPECT_FALSE(fs::exists(destination));

  NewHost();
  host().promptReplies = {{LocationAnswer::cancel, ""}};
  EXPECT_EQ(Run(files[0], destination), "<abort>");
}

// The disk fills after the space check: the error names the merged file as the user knows it,
// and neither the old file nor a temporary is lost or left.
TEST_F(MergeTest, ADiskThatFillsDuringTheMergeKeepsTheOldFile) {
  SmallVolume small(scratch.Path() / "small", "64k");
  if (!small.Mounted()) GTEST_SKIP() << "mounting a tmpfs needs root on Linux";
  const TestPackage package(PackageOptions{}, Original());
  const std::vector<std::string> files = package.WriteTo(SubFolder(scratch.Path(), "package"));
  const std::string moved = Path(scratch.Path(), "piece2.fss");
  fs::rename(files[2], moved);
  const fs::path folder = scratch.Path() / "small";
  const std::string destination = Path(folder, "merged.bin");
  const ByteString old = PatternBytes(10'000, 6);
  WriteWholeFile(destination, old.data(), old.size());
  const auto before = FolderContents(folder);

  host().beforePrompt = [&](const std::string&) {
    const ByteString filler = PatternBytes(64 * 1024, 2);
    WriteWholeFile(Path(folder, "filler"), filler.data(), filler.size());
  };
  host().promptReplies = {{LocationAnswer::ok, moved}};
  EXPECT_EQ(Run(files[0], destination), FileErrorText(CFileException::diskFull, destination));
  fs::remove(folder / "filler");
  EXPECT_EQ(FolderContents(folder), before);
}

// The old file stays until the new one is whole, so the new one needs its room beside it.
TEST_F(MergeTest, TheSpaceCheckCountsTheOldFileAsStaying) {
  SmallVolume small(scratch.Path() / "small", "32k");
  if (!small.Mounted()) GTEST_SKIP() << "mounting a tmpfs needs root on Linux";
  const TestPackage package(PackageOptions{}, Original());
  const std::vector<std::string> files = package.WriteTo(SubFolder(scratch.Path(), "package"));
  const std::string destination = Path(scratch.Path() / "small", "merged.bin");
  const ByteString old = PatternBytes(20'000, 6);
  WriteWholeFile(destination, old.data(), old.size());
  const std::uint64_t free = GetFreeSpaceAt(destination, false).value();
  const std::uint64_t size = package.Original().size();
  ASSERT_LT(free, size);
  ASSERT_GE(free + old.size(), size);  // enough only if the old file went first

  host().promptReplies = {{LocationAnswer::cancel, ""}};
  EXPECT_EQ(Run(files[0], destination), "<abort>");
  ASSERT_EQ(host().prompts.size(), 1u);
  EXPECT_EQ(host().prompts[0].reason,
            Text(IDS_NOT_ENOUGH_SPACE_MERGE,
                 {destination, FormatByteSize(size - free), FormatByteSize(size)}));
  EXPECT_EQ(FileBytes(destination), old);
  EXPECT_TRUE(TemporariesOf(scratch.Path() / "small", "merged.bin").empty());
}

}  // namespace
