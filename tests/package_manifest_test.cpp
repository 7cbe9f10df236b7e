// The manifest beside a package: what the split writes into it, and what merge and verify find
// with it that the byte sums cannot.

#include "engine/package_manifest.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "base/exceptions.h"
#include "base/message_format.h"
#include "engine/merge/merger.h"
#include "engine/operation_state.h"
#include "engine/package_names.h"
#include "engine/split/splitter.h"
#include "res/resource.h"
#include "tests/support/package_builder.h"
#include "tests/support/program_run.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/settings_sandbox.h"
#include "tests/support/split_package.h"

namespace {

namespace fs = std::filesystem;

Sha256Digest DigestOfBytes(const Bytes& bytes) {
  Sha256 digest;
  digest.Update(bytes.data(), bytes.size());
  return digest.Finish();
}

std::string Text(unsigned id, std::initializer_list<std::string_view> args = {}) {
  return LoadMessage(id, args).value_or("");
}

// Two neighbouring data bytes of a piece that differ, exchanged: its byte sum, and with it
// every check value of the format, stays as it was.
void SwapTwoBytes(const std::string& piece) {
  Bytes bytes = FileBytes(piece);
  std::size_t at = 56 + 100;
  while (bytes[at] == bytes[at + 1]) ++at;
  std::swap(bytes[at], bytes[at + 1]);
  WriteWholeFile(piece, bytes.data(), bytes.size());
}

class PackageManifest : public testing::Test {
 protected:
  // Splits a source into five pieces; returns the package's files, master first.
  std::vector<std::string> SplitWithManifest(bool writeManifest = true) {
    const std::string source = Path("source.bin");
    WriteWholeFile(source, source_.data(), source_.size());
    SplitOptions options;
    options.bySize = true;
    options.maxSplitFileSize = 10000;
    options.promptOnOverwrites = false;
    options.writeManifest = writeManifest;
    {
      OperationScope scope(host_);
      Splitter().Split(host_, source, source, options);
    }
    std::vector<std::string> files;
    for (std::uint32_t i = 0; i < 6; ++i)
      files.push_back(PackageFileName(source, kCurrentVersion, false, i));
    return files;
  }

  // A host that shows each status line to `onStatus` before it takes it.
  struct WatchedHost : HookedHost {
    std::function<void(const std::string&)> onStatus;
    void SetStatusText(const std::string& text) override {
      if (onStatus) onStatus(text);
      HookedHost::SetStatusText(text);
    }
  };

  // "" when the operation completed, "<abort>" for a silent abort, else the error's text; the
  // prompt for another piece is answered with Cancel and its reason kept.
  std::string Run(const std::string& master, bool verify,
                  std::function<void(const std::string&)> onStatus = {}) {
    WatchedHost host;
    host.onStatus = std::move(onStatus);
    host.promptReplies = {{LocationAnswer::cancel, ""}};
    std::string outcome;
    try {
      OperationScope scope(host);
      Merger().Merge(host, master, Path("merged.bin"),
                     {.promptOnOverwrite = false, .verifyOnly = verify});
    } catch (const CUserException&) {
      outcome = host.prompts.empty() ? "<abort>" : "prompt: " + host.prompts[0].reason;
    } catch (const CException& error) {
      error.GetErrorMessage(outcome, 4096);
    }
    return outcome;
  }

  std::string Path(const std::string& name) const { return (scratch_.Path() / name).string(); }

  ScratchFolder scratch_;
  ScriptedHost host_;
  const Bytes source_ = SourceBytes(45000);
};

TEST_F(PackageManifest, NamesEveryPackageFileAndTheOriginalWithItsDigest) {
  const std::vector<std::string> files = SplitWithManifest();
  const std::optional<ManifestDigests> manifest = ReadManifest(Path("source.bin.sha256"));
  ASSERT_TRUE(manifest);
  std::set<std::string> names;
  for (const auto& [name, digest] : *manifest) names.insert(name);
  std::set<std::string> expected = {"source.bin"};
  for (const std::string& file : files) expected.insert(fs::path(file).filename().string());
  EXPECT_EQ(names, expected);
  for (const std::string& file : files) {
    EXPECT_EQ(manifest->at(fs::path(file).filename().string()), DigestOfBytes(FileBytes(file)));
  }
  EXPECT_EQ(manifest->at("source.bin"), DigestOfBytes(source_));
  EXPECT_EQ(Run(files[0], false), "");
  EXPECT_EQ(FileBytes(Path("merged.bin")), source_);
}

TEST_F(PackageManifest, TwoSwappedBytesPassTheByteSumsAndAreCaughtByTheManifest) {
  const std::vector<std::string> files = SplitWithManifest();
  SwapTwoBytes(files[2]);
  fs::rename(Path("source.bin.sha256"), Path("aside"));
  EXPECT_EQ(Run(files[0], true), "");
  fs::rename(Path("aside"), Path("source.bin.sha256"));
  const std::string reason =
      Text(IDS_INSERT_MERGE_DISK,
           {Text(IDS_PIECE_DIGEST_MISMATCH, {files[2], Path("source.bin.sha256")}), "2"});
  for (const bool verify : {true, false}) {
    EXPECT_EQ(Run(files[0], verify), "prompt: " + reason);
    EXPECT_EQ(Listing(scratch_.Path()).size(), files.size() + 2);  // no merged file, no temporary
  }
}

// The merge takes the pieces' digests from their files a little ahead of copying them. A piece
// changed after its digest was taken, before it is copied, had the digest of other bytes than
// the ones merged: it fails as a piece that does not match.
TEST_F(PackageManifest, APieceChangedAfterItsDigestWasTakenDoesNotPassForTheBytesMerged) {
  const std::vector<std::string> files = SplitWithManifest();
  const std::string name = fs::path(files[2]).filename().string();
  bool changed = false;
  const std::string outcome = Run(files[0], false, [&](const std::string& status) {
    // Piece 1 is merged, so the digests of the pair it opened were taken.
    if (changed || status.find(name) == std::string::npos) return;
    changed = true;
    SwapTwoBytes(files[2]);
  });
  EXPECT_TRUE(changed);
  const std::string reason =
      Text(IDS_INSERT_MERGE_DISK,
           {Text(IDS_PIECE_DIGEST_MISMATCH, {files[2], Path("source.bin.sha256")}), "2"});
  EXPECT_EQ(outcome, "prompt: " + reason);
  EXPECT_FALSE(fs::exists(Path("merged.bin")));
}

// A manifest whose line for the original disagrees with the pieces. With a line for every
// piece, the pieces that match are the proof of the merged data, which is not hashed again; with
// a piece unlisted, the merged data is what it checks, and the merge fails without a merged file.
TEST_F(PackageManifest, TheMergedDataIsCheckedAgainstTheOriginalsLineUnlessEveryPieceIsListed) {
  const std::vector<std::string> files = SplitWithManifest();
  const ManifestDigests written = ReadManifest(Path("source.bin.sha256")).value();
  const auto writeLines = [&](const std::string& left_out) {
    std::vector<ManifestLine> lines;
    for (const auto& [name, digest] : written) {
      if (name == left_out) continue;
      lines.push_back({name == "source.bin" ? DigestOfBytes(SourceBytes(45000, 2)) : digest, name});
    }
    WriteManifest(Path("source.bin.sha256"), lines);
  };
  writeLines("");
  EXPECT_EQ(Run(files[0], true), "");
  writeLines(fs::path(files[3]).filename().string());
  const std::string failure =
      Text(IDS_MERGED_DIGEST_MISMATCH, {"source.bin", Path("source.bin.sha256")});
  EXPECT_EQ(Run(files[0], true), failure);
  EXPECT_EQ(Run(files[0], false), failure);
  EXPECT_FALSE(fs::exists(Path("merged.bin")));
  EXPECT_EQ(Listing(scratch_.Path()).size(), files.size() + 2);
}

TEST_F(PackageManifest, ASplitWithoutOneRemovesAnEarlierPackagesManifestButNotTheUsersOwn) {
  SplitWithManifest();
  const std::string master = SplitWithManifest(false)[0];
  EXPECT_FALSE(fs::exists(Path("source.bin.sha256")));
  // A checksum of the source that the user made stays, and the merged data is checked with it.
  WriteManifest(Path("source.bin.sha256"), {{DigestOfBytes(source_), "source.bin"}});
  const Bytes own = FileBytes(Path("source.bin.sha256"));
  SplitWithManifest(false);
  EXPECT_EQ(FileBytes(Path("source.bin.sha256")), own);
  EXPECT_EQ(Run(master, false), "");
}

TEST(ManifestText, NamesWithBackslashesOrLineBreaksAreEscapedAsSha256sumDoes) {
  Sha256 hash;
  const Sha256Digest digest = hash.Finish();
  const std::vector<ManifestLine> lines = {{digest, "plain name"}, {digest, "a\\b\nc"}};
  const std::string text = ManifestText(lines);
  EXPECT_EQ(text,
            "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855  plain name\n"
            "\\e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855  a\\\\b\\nc\n");
  const ManifestDigests read = ParseManifest(text + "not a line\r\n" + text.substr(0, 60));
  EXPECT_EQ(read.size(), 2u);
  EXPECT_EQ(read.count("a\\b\nc"), 1u);
}

// The real sha256sum accepts what a split with --manifest writes, and the console names the
// piece that does not match.
TEST(ManifestConsole, Sha256sumAcceptsTheManifestAndVerifyNamesTheDamagedPiece) {
  if (ProgramsAreWindowsPrograms()) GTEST_SKIP() << "sha256sum is a program of this system";
  SettingsSandbox settings;
  ScratchFolder scratch;
  const Bytes source = SourceBytes(100000);
  const std::string path = scratch.Write("sample.bin", source.data(), source.size());
  const std::string io = SubFolder(scratch.Path(), "io").string();
  const std::string partwell = BuiltProgramPath("partwell");
  ProgramRun run =
      RunProgram(partwell, {"split", path, "-s", "30000", "--data-only", "--manifest", "-q"}, io);
  ASSERT_EQ(run.status, 0) << run.err;
  const RunSetting inPackage{.currentFolder = scratch.PathText()};
  run = RunProgram("sha256sum", {"-c", "sample.bin.sha256"}, io, inPackage);
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_EQ(run.out,
            "sample.bin_00000.fsm: OK\nsample.bin_00001.fss: OK\nsample.bin_00002.fss: OK\n"
            "sample.bin_00003.fss: OK\nsample.bin_00004.fss: OK\nsample.bin: OK\n");

  const std::string piece = (scratch.Path() / "sample.bin_00003.fss").string();
  SwapTwoBytes(piece);
  run = RunProgram(partwell, {"verify", (scratch.Path() / "sample.bin_00000.fsm").string()}, io,
                   {.environment = {"LC_ALL=en_US.UTF-8"}});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("The file " + piece + " does not match its SHA-256 checksum"),
            std::string::npos)
      << run.err;
}

}  // namespace
