// Failing system calls that the fault campaign (scripts/faults.sh) found mishandled, each made
// again here: the real programs with one call failed by the campaign's preloaded shim, and the
// split itself under a file size limit for a write that fails in the middle of a piece.

#include <signal.h>
#include <sys/resource.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engine/file64.h"
#include "engine/operation_state.h"
#include "engine/package_names.h"
#include "engine/split/splitter.h"
#include "tests/support/par2_program.h"
#include "tests/support/program_run.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/settings_sandbox.h"
#include "tests/support/split_package.h"

namespace fs = std::filesystem;

namespace {

struct Fault {
  std::string kind;  // eio, eintr...
  std::string call;  // open, close, fsync...
  std::string path;  // a part of the path of the file it hits; a final "$" ends the path
  int at = 1;        // the call of those that fails
};

// A package of a master and three pieces, with two recovery volumes, beside nothing else.
class IoFaults : public testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(io_);
    fs::create_directories(package_);
    fs::create_directories(merged_);
    source_ = WriteRandomFile(folder_, "package/film.bin", 100000, 3);
    ASSERT_EQ(Partwell({"split", Path("film.bin"), "-n", "4", "--recovery", "2", "-y"}).status, 0);
    fs::remove(package_ / "film.bin");
  }

  ProgramRun Partwell(const std::vector<std::string>& arguments, const Fault& fault = {}) {
    std::vector<std::string> environment = {"LC_ALL=en_US.UTF-8"};
    if (!fault.kind.empty()) {
      // A sanitized program finds the shim ahead of the sanitizer's runtime, which it then
      // refuses unless told to let it be.
      std::string sanitizer = "ASAN_OPTIONS=verify_asan_link_order=0";
      if (const char* given = std::getenv("ASAN_OPTIONS")) sanitizer += std::string(":") + given;
      environment.push_back(sanitizer);
      environment.insert(
          environment.end(),
          {"LD_PRELOAD=" PW_BIN_DIR "/pw_io_fault_shim.so", "PW_FAULT_KIND=" + fault.kind,
           "PW_FAULT_CALL=" + fault.call, "PW_FAULT_PATH=" + fault.path,
           "PW_FAULT_AT=" + std::to_string(fault.at)});
    }
    return RunProgram(BuiltProgramPath("partwell"), arguments, io_.string(),
                      {.environment = environment});
  }
  std::string Path(const std::string& name) const { return (package_ / name).string(); }
  std::string Master() const { return Path("film.bin_00000.fsm"); }
  ProgramRun Merge(const std::vector<std::string>& options, const Fault& fault = {}) {
    std::vector<std::string> arguments = {"merge", Master(), "-d", merged_.string(), "-y"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    return Partwell(arguments, fault);
  }

  SettingsSandbox settings_;
  ScratchFolder folder_;
  fs::path io_ = folder_.Path() / "io";
  fs::path package_ = folder_.Path() / "package";
  fs::path merged_ = folder_.Path() / "merged";
  std::string source_;
};

// A signal that interrupts an open or the creation of a temporary file is no failure: the call
// is made again, as a read or a write is.
TEST_F(IoFaults, InterruptedCallsAreMadeAgain) {
  const std::string again = (folder_.Path() / "again.bin").string();
  WriteWholeFile(again, source_.data(), source_.size());
  const ProgramRun split = Partwell({"split", again, "-n", "3", "--data-only", "-y"},
                                    {"eintr", "open", "again.bin_00001"});
  EXPECT_EQ(split.status, 0) << split.err;
  EXPECT_TRUE(fs::exists(folder_.Path() / "again.bin_00002.fss"));
  const ProgramRun merge = Merge({}, {"eintr", "open", ".partwell-"});
  ASSERT_EQ(merge.status, 0) << merge.err;
  EXPECT_EQ(ReadWholeFile(merged_ / "film.bin"), source_);
  const ProgramRun setting = Partwell({"settings", "Split\\Files", "7"}, {"eintr", "mkstemp", ""});
  EXPECT_EQ(setting.status, 0) << setting.err;
}

// Nothing read can be lost when the file is closed: a failed close of a recovery volume once
// ended the repair with std::terminate.
TEST_F(IoFaults, AFailedCloseOfAFileOnlyReadIsNoFailure) {
  const std::string piece = ReadWholeFile(package_ / "film.bin_00002.fss");
  fs::remove(package_ / "film.bin_00002.fss");
  // The volume is read twice: when its set is looked for, then by the repair.
  const ProgramRun repair = Partwell({"repair", Master()}, {"eio", "close", ".vol0+1.par2", 2});
  ASSERT_EQ(repair.status, 0) << repair.err;
  EXPECT_EQ(ReadWholeFile(package_ / "film.bin_00002.fss"), piece);
}

// A recovery volume that cannot be read is named with its error, not only counted as missing:
// the repair once said only that more volumes were needed.
TEST_F(IoFaults, ARepairShortOfVolumesNamesTheOneThatCouldNotBeRead) {
  fs::remove(package_ / "film.bin_00001.fss");
  fs::remove(package_ / "film.bin_00002.fss");
  const std::vector<std::string> package = Listing(package_);
  const ProgramRun repair = Partwell({"repair", Master()}, {"eio", "read", ".vol1+1.par2"});
  EXPECT_EQ(repair.status, 1);
  EXPECT_NE(repair.err.find("More recovery volumes needed"), std::string::npos) << repair.err;
  EXPECT_NE(repair.err.find("hardware I/O error while accessing " + Path("film.bin.vol1+1.par2")),
            std::string::npos)
      << repair.err;
  EXPECT_EQ(Listing(package_), package);
}

// A rebuilt piece's temporary that cannot be closed goes with the merge it failed.
TEST_F(IoFaults, AFailedRebuildLeavesNoTemporary) {
  fs::remove(package_ / "film.bin_00002.fss");
  const ProgramRun merge = Merge({}, {"eio", "close", ".film.bin_00002.fss.partwell-"});
  EXPECT_EQ(merge.status, 1);
  EXPECT_NE(merge.err.find("hardware I/O error"), std::string::npos) << merge.err;
  EXPECT_TRUE(Listing(merged_).empty());
}

// The package goes only once the merged file and its name are on the disk.
TEST_F(IoFaults, DeleteWhenDoneKeepsThePackageWhileTheFolderIsNotFlushed) {
  const std::vector<std::string> package = Listing(package_);
  const ProgramRun merge = Merge({"--delete-when-done"}, {"eio", "fsync", "merged/$"});
  EXPECT_EQ(merge.status, 1);
  EXPECT_NE(merge.err.find("film.bin is complete, but the package was kept: Encountered a "
                           "hardware I/O error while accessing " +
                           merged_.string()),
            std::string::npos)
      << merge.err;
  EXPECT_EQ(ReadWholeFile(merged_ / "film.bin"), source_);
  EXPECT_EQ(Listing(package_), package);
}

// A change that does not reach the settings file is a failure, and the file stays as it was.
TEST_F(IoFaults, ASettingThatCannotBeWrittenFails) {
  ASSERT_EQ(Partwell({"settings", "Split\\Files", "5"}).status, 0);
  const std::string store = settings_.Folder().string() + "/config/Velmont Computing/Partwell.reg";
  const std::string before = ReadWholeFile(store);
  ASSERT_FALSE(before.empty());
  const ProgramRun setting = Partwell({"settings", "Split\\Files", "7"}, {"eio", "rename", ""});
  EXPECT_EQ(setting.status, 1);
  EXPECT_NE(setting.err.find("hardware I/O error while accessing " + store), std::string::npos)
      << setting.err;
  EXPECT_EQ(ReadWholeFile(store), before);
}

// The process may write files of at most `bytes` bytes while it lives; a write past the limit
// fails with EFBIG instead of ending the process.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    previous_ = signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{bytes, saved_.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
  ~FileSizeLimit() { Lift(); }
  void Lift() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    signal(SIGXFSZ, previous_);
  }

 private:
  rlimit saved_{};
  sighandler_t previous_ = SIG_DFL;
};

// The first piece fails in the middle and is written again in the next folder, as on the next
// disk: the folder left behind, like a disk taken out, keeps no part of it, nor the piece of an
// earlier package under a name the split has yet to write.
TEST(SplitWriteFailure, TheFolderLeftKeepsOnlyWholeFilesOfThePackage) {
  ScratchFolder scratch;
  const Bytes source = SourceBytes(30000);
  const std::string sourcePath = scratch.Write("source.bin", source.data(), source.size());
  fs::create_directories(scratch.Path() / "first");
  fs::create_directories(scratch.Path() / "second");
  const std::string prefix = (scratch.Path() / "first" / "film").string();
  const std::string earlier = PackageFileName(prefix, kCurrentVersion, false, 3);
  WriteWholeFile(earlier, "old", 3);
  HookedHost host;
  std::vector<std::string> leftBehind;
  std::optional<FileSizeLimit> limit(std::in_place, 5000);
  host.beforePrompt = [&](const std::string&) {
    limit.reset();
    leftBehind = Listing(scratch.Path() / "first");
  };
  host.promptReplies = {{LocationAnswer::ok, (scratch.Path() / "second" / "").string()}};
  SplitOptions options;
  options.bySize = true;
  options.maxSplitFileSize = 10056;
  options.promptOnOverwrites = false;
  {
    OperationScope scope(host);
    Splitter().Split(host, sourcePath, prefix, options);
  }
  EXPECT_EQ(leftBehind, std::vector<std::string>{"film_00000.fsm"});
  EXPECT_EQ(Listing(scratch.Path() / "second"),
            (std::vector<std::string>{"film_00001.fss", "film_00002.fss", "film_00003.fss"}));
}

}  // namespace
