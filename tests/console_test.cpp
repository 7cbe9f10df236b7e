// The console programs as a user runs them: the real programs of the build, on real files,
// without a terminal, their output compared with the text expected.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/files.h"
#include "platform/registry.h"
#include "settings/app_preferences.h"
#include "settings/settings_key.h"
#include "tests/support/package_builder.h"
#include "tests/support/program_run.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/settings_sandbox.h"

namespace fs = std::filesystem;

namespace {

const std::vector<std::string> kEnglish = {"LC_ALL=en_US.UTF-8"};

// The full program's console front end: "partwell", or "partwell-cli.exe" beside the window
// program on Windows.
std::string FullProgram() { return ProgramsAreWindowsPrograms() ? "partwell-cli" : "partwell"; }

const std::string kPackage[] = {"sample.bin_00000.fsm", "sample.bin_00001.fss",
                                "sample.bin_00002.fss", "sample.bin_00003.fss",
                                "sample.bin_00004.fss"};

// Holds a file open for writing for its lifetime, as a running program holds the files it
// writes: no other process can open it for writing meanwhile. Waits while another holds it.
class FileHeldForWriting {
 public:
  explicit FileHeldForWriting(const std::string& path) {
    while (platform::OpenForWriting(path, handle_) != 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
  }
  FileHeldForWriting(const FileHeldForWriting&) = delete;
  FileHeldForWriting& operator=(const FileHeldForWriting&) = delete;
  ~FileHeldForWriting() { platform::CloseFileHandle(handle_); }

 private:
  platform::FileHandle handle_ = platform::kInvalidFileHandle;
};

// The programs never see the user's settings: on POSIX the sandbox's configuration folder is
// theirs. On Windows they use the real program's registry key, which every run on this machine
// shares (Wine's registry), so runs take turns (test runs of other checkouts on this machine
// too, through a file each holds while it runs) and the key is put back as it was.
class ProgramSettingsScope {
 public:
  ProgramSettingsScope() {
    if (!ProgramsAreWindowsPrograms()) return;
    turn_.emplace((fs::temp_directory_path() / "partwell-console-tests.lock").string());
    saved_.BuildKeyPath(SettingsSandbox::kCompany, "Partwell");
    platform::RegistryKey key;
    existed_ =
        platform::OpenRegistryKey(saved_.KeyPath(), platform::RegistryAccess::query, key) == 0;
    // Not taken for settings of an old layout, which loading would rewrite.
    saved_.previousVersion = 0xFFFFFFFF;
    saved_.SetDefaults();
    saved_.Load();
    if (existed_) RemoveKey();  // each test starts from the defaults
  }
  ~ProgramSettingsScope() {
    if (!ProgramsAreWindowsPrograms()) return;
    RemoveKey();
    if (existed_) saved_.Save();
  }

 private:
  void RemoveKey() {
    platform::RegistryKey key;
    if (platform::OpenRegistryKey(saved_.KeyPath(), platform::RegistryAccess::setValue, key) == 0) {
      for (const char* subkey : {"View", "Split", "Merge", "Window", "CurrentVersion"}) {
        key.DeleteSubkey(subkey);
      }
    }
    const std::string company = std::string("Software\\") + SettingsSandbox::kCompany;
    if (platform::OpenRegistryKey(company, platform::RegistryAccess::setValue, key) == 0) {
      key.DeleteSubkey("Partwell");
    }
  }

  SettingsSandbox sandbox_;
  std::optional<FileHeldForWriting> turn_;
  AppPreferences saved_{SettingsKey::Root::currentUser};
  bool existed_ = false;
};

std::string FileText(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// Bytes that differ from one position to the next, so that a piece out of place shows.
std::string SampleBytes(std::size_t size) {
  std::string bytes(size, '\0');
  std::uint32_t state = 12345;
  for (char& byte : bytes) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<char>(state >> 24);
  }
  return bytes;
}

class ConsoleProgramTest : public ::testing::Test {
 protected:
  ConsoleProgramTest() {
    fs::create_directories(io_);
    fs::create_directories(data_);
  }

  // A program of the build, run in English, without a terminal.
  ProgramRun Run(const std::string& program, const std::vector<std::string>& arguments,
                 const std::string& currentFolder = {}) {
    return RunProgram(BuiltProgramPath(program), arguments, io_.string(),
                      {.environment = kEnglish, .currentFolder = currentFolder});
  }
  ProgramRun Partwell(const std::vector<std::string>& arguments) {
    return Run(FullProgram(), arguments);
  }

  // The output with the folder of the test's files and times replaced by names, the full
  // program named as on POSIX, and no rate (a run of a second or more has one).
  std::string Normalized(std::string text) const {
    const std::string folder = (data_ / "").string();
    for (std::size_t at; (at = text.find(folder)) != std::string::npos;) {
      text.replace(at, folder.size(), "<data>/");
    }
    text = std::regex_replace(text, std::regex("(^|\n)" + FullProgram() + ": "), "$1partwell: ");
    text = std::regex_replace(text, std::regex("\\d\\d:\\d\\d:\\d\\d"), "<time>");
    return std::regex_replace(text, std::regex(" @ [0-9.,]+ [KMGT]?B/sec"), "");
  }

  std::string MakeSample(std::size_t size = 100'000, const std::string& name = "sample.bin") {
    const std::string bytes = SampleBytes(size);
    return scratch_.Write("data/" + name, bytes.data(), bytes.size());
  }

  // Splits the sample into 30,000-byte files; the extra arguments are added.
  ProgramRun SplitSample(std::vector<std::string> extra = {}) {
    std::vector<std::string> arguments = {"split", (data_ / "sample.bin").string(), "--size",
                                          "30000"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return Partwell(arguments);
  }

  ProgramSettingsScope settings_;
  ScratchFolder scratch_;
  fs::path io_ = scratch_.Path() / "io";
  fs::path data_ = scratch_.Path() / "data";
};

TEST_F(ConsoleProgramTest, SplitShowsEachStepThenTheTimeAndTheDataProcessed) {
  MakeSample();
  const ProgramRun run = SplitSample();
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(Normalized(run.err),
            "partwell: Gathering data about sample.bin...\n"
            "partwell: Processing user restrictions...\n"
            "partwell: Opening sample.bin...\n"
            "partwell: Processing sample.bin_00000.fsm...\n"
            "partwell: Processing sample.bin_00001.fss...\n"
            "partwell: Processing sample.bin_00002.fss...\n"
            "partwell: Processing sample.bin_00003.fss...\n"
            "partwell: Processing sample.bin_00004.fss...\n"
            "partwell: The operation was completed.\n"
            "partwell: Time ellapsed: <time>\n"
            "partwell: Data processed: 97.66 KB\n"
            "partwell: Wrote <data>/sample.bin_00000.fsm and 4 data split files.\n");
  const std::vector<std::string> expected = {"sample.bin",           "sample.bin_00000.fsm",
                                             "sample.bin_00001.fss", "sample.bin_00002.fss",
                                             "sample.bin_00003.fss", "sample.bin_00004.fss"};
  EXPECT_EQ(Listing(data_), expected);
  EXPECT_EQ(fs::file_size(data_ / "sample.bin_00001.fss"), 30'000u);
  EXPECT_EQ(fs::file_size(data_ / "sample.bin_00004.fss"), 100'000u - 3 * (30'000u - 56) + 56);
}

TEST_F(ConsoleProgramTest, OverwriteQuestionIsDeclinedWithoutATerminalUnlessYesIsGiven) {
  MakeSample();
  ASSERT_EQ(SplitSample().status, 0);
  const std::string piece = FileText(data_ / "sample.bin_00002.fss");
  fs::remove(data_ / "sample.bin_00000.fsm");
  const std::string question =
      "partwell: The operation will overwrite <data>/sample.bin_00001.fss and its related files.\n"
      "Would you like to continue? [y/n] ";
  const std::string declined =
      "partwell: Gathering data about sample.bin...\n"
      "partwell: Processing user restrictions...\n" +
      question + "no\npartwell: The operation was NOT completed.\n";
  for (const std::vector<std::string>& extra : {std::vector<std::string>{"--no"}, {}}) {
    const ProgramRun run = SplitSample(extra);
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(Normalized(run.err), declined);
    // Declined: nothing written, nothing removed.
    EXPECT_FALSE(fs::exists(data_ / "sample.bin_00000.fsm"));
    EXPECT_EQ(FileText(data_ / "sample.bin_00002.fss"), piece);
  }
  const ProgramRun run = SplitSample({"--yes"});
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(Normalized(run.err).find(question + "yes\npartwell: Opening sample.bin...\n"),
            std::string::npos)
      << run.err;
  EXPECT_TRUE(fs::exists(data_ / "sample.bin_00000.fsm"));
}

TEST_F(ConsoleProgramTest, PlanShowsWhatTheSplitWouldMakeOrWhyNot) {
  MakeSample();
  const std::string source = (data_ / "sample.bin").string();
  const struct {
    std::vector<std::string> arguments;
    int status;
    std::string out, err;
  } cases[] = {
      {{"plan", source, "--size", "30000"},
       0,
       "Byte size: 100,000 (97.66 KB)\n"
       "Number of split files: 5\n"
       "Split files max. byte size: 30,000 (29.30 KB)\n"
       "Split files destination folder: <data>/\n"
       "Split files name prefix: sample.bin\n",
       ""},
      {{"plan", source, "--count", "3", "--prefix", "part", "--dest", io_.string()},
       0,
       "Byte size: 100,000 (97.66 KB)\n"
       "Number of split files: 3\n"
       "Split files max. byte size: 50,056 (48.88 KB)\n"
       "Split files destination folder: " +
           io_.string() + "\nSplit files name prefix: part\n",
       ""},
      {{"plan", source, "--size", "1 KB"},
       1,
       "",
       "partwell: The byte size of the split files must be an integer between 4,368 and "
       "107,374,182,400 "
       "(100.00 GB).\n"},
      {{"plan", source, "--count", "32767"},
       1,
       "",
       "partwell: The number of split files must be an integer between 2 and 32,766.\n"},
      {{"plan", (data_ / "missing.bin").string()},
       1,
       "",
       "partwell: The file <data>/missing.bin was not found.\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments.back());
    const ProgramRun run = Partwell(c.arguments);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(Normalized(run.out), c.out);
    EXPECT_EQ(Normalized(run.err), c.err);
  }
  // Planning stores nothing and makes nothing.
  EXPECT_EQ(Listing(data_), std::vector<std::string>{"sample.bin"});
  EXPECT_EQ(
      Partwell({"settings", "Split\\Files"}).out.find("Split\\Files = 3\n") == std::string::npos,
      false);
}

// A split or merge from the command line stores nothing: where one went is no default for the
// next, which writes beside its own source; how to split comes from what was set on purpose.
TEST_F(ConsoleProgramTest, CommandsStoreNothingAndWriteBesideTheirSourceUnlessTold) {
  MakeSample();
  fs::create_directories(scratch_.Path() / "out");
  const std::string out = (scratch_.Path() / "out").string();
  const std::string storedBefore = Partwell({"settings"}).out;
  ProgramRun run = SplitSample({"--dest", out, "--prefix", "piece", "--self-extracting", "--no"});
  ASSERT_EQ(run.status, 1) << run.err;  // too small for a self-extracting master: refused
  ASSERT_EQ(
      Partwell({"split", (data_ / "sample.bin").string(), "--dest", out, "-s", "29.296875KiB"})
          .status,
      0);
  EXPECT_TRUE(fs::exists(scratch_.Path() / "out" / "sample.bin_00004.fss"));
  const std::string master = (scratch_.Path() / "out" / "sample.bin_00000.fsm").string();
  ASSERT_EQ(Partwell({"merge", master, "-d", data_.string(), "--name", "copy.bin"}).status, 0);
  EXPECT_EQ(Partwell({"settings"}).out, storedBefore);

  ASSERT_EQ(Partwell({"settings", "Split\\By size", "0"}).status, 0);
  ASSERT_EQ(Partwell({"settings", "Split\\Files", "3"}).status, 0);
  run = Partwell({"split", (data_ / "sample.bin").string(), "-yq"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_TRUE(fs::exists(data_ / "sample.bin_00002.fss"));
  EXPECT_FALSE(fs::exists(data_ / "sample.bin_00003.fss"));
  run = Partwell({"merge", (data_ / "sample.bin_00000.fsm").string(), "--name", "again.bin"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("Merged into " + (data_ / "again.bin").string() + ".\n"),
            std::string::npos)
      << run.err;
  EXPECT_EQ(FileText(data_ / "again.bin"), SampleBytes(100'000));
}

// Showing stores nothing, not even the program's path and version, and a stored text cannot
// send the terminal commands.
TEST_F(ConsoleProgramTest, SettingsAreShownEscapedAndShowingWritesNothing) {
  SettingsKey store;
  store.BuildKeyPath(SettingsSandbox::kCompany, "Partwell");
  store.WriteText("Split", "Folder", "/tmp/\x1b[31mred\a\nnext\xc2\x9b");
  const std::string file = platform::RegistryStoreLocation(store.KeyPath());
  const std::string before = platform::kRegistryIsFile ? FileText(file) : "";
  const auto written = platform::kRegistryIsFile ? fs::last_write_time(file) : fs::file_time_type();

  const ProgramRun run = Partwell({"settings"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("  Split\\Folder = /tmp/\\x1b[31mred\\x07\\nnext\\u009b\n"),
            std::string::npos)
      << run.out;
  EXPECT_EQ(run.out.find('\x1b'), std::string::npos);
  EXPECT_EQ(store.ReadText("CurrentVersion", "Path", "none"), "none");
  if (platform::kRegistryIsFile) {
    EXPECT_EQ(FileText(file), before);
    EXPECT_EQ(fs::last_write_time(file), written);
  }
}

TEST_F(ConsoleProgramTest, OversizeSettingsFileIsReportedOnceAndLeftAsItIs) {
  if (!platform::kRegistryIsFile) GTEST_SKIP() << "the registry is the system's here";
  SettingsKey store;
  store.BuildKeyPath(SettingsSandbox::kCompany, "Partwell");
  const fs::path file = platform::RegistryStoreLocation(store.KeyPath());
  const std::string large = "[HKEY_CURRENT_USER\\" + store.KeyPath() +
                            "Split]\n\"Files\"=dword:00000005\n" +
                            std::string(platform::kRegistryStoreLimit, ';') + "\n";
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << large;
  const std::string warning = "partwell: The settings file " + file.string() +
                              " is larger than 1 MB and is left as it is: the default settings "
                              "are used and no change is saved.\n";

  const ProgramRun shown = Partwell({"settings", "Split\\Files"});
  EXPECT_EQ(shown.status, 0);
  EXPECT_EQ(shown.out, "HKEY_CURRENT_USER\\" + store.KeyPath() + "Split\n  Split\\Files = 3\n");
  EXPECT_EQ(Normalized(shown.err), warning);
  const ProgramRun changed = Partwell({"settings", "Split\\Files", "7"});
  EXPECT_NE(changed.status, 0);
  EXPECT_EQ(Normalized(changed.err), warning);
  EXPECT_EQ(FileText(file), large);
}

TEST_F(ConsoleProgramTest, UsageErrorsEndWithStatusTwoAndHelpWithZero) {
  const struct {
    std::string program;
    std::vector<std::string> arguments;
    std::string message;
  } cases[] = {
      {FullProgram(), {}, "no command given"},
      {FullProgram(), {"cut", "x"}, "unknown command cut"},
      {FullProgram(), {"split"}, "split needs more arguments"},
      {FullProgram(), {"split", "a", "b"}, "split does not take b"},
      {FullProgram(),
       {"split", "a", "--size", "1MB", "--count", "2"},
       "--size and --count cannot be given together"},
      {FullProgram(), {"split", "a", "--dest"}, "--dest needs a value"},
      {FullProgram(),
       {"split", "a", "-s", "700 XB"},
       "invalid size '700 XB' (for example 700M, 700MB, 700MiB or 1.5G)"},
      {FullProgram(),
       {"plan", "a", "--comments", std::string(512, 'c')},
       "--comments takes at most 511 characters"},
      {FullProgram(), {"merge", "a", "--prefix", "p"}, "merge does not take --prefix"},
      {FullProgram(), {"info", "a", "--yes"}, "info does not take --yes"},
      {"PartwellLite", {"--yes"}, "no command given"},
      {"PartwellLite", {"split", "a"}, "unknown command split"},
      {"PartwellLite", {"settings"}, "unknown command settings"},
  };
  for (const auto& c : cases) {
    const ProgramRun run = Run(c.program, c.arguments);
    EXPECT_EQ(run.status, 2) << c.message;
    const std::string& name = c.program;
    EXPECT_EQ(run.err, name + ": " + c.message + "\nTry '" + name + " --help'.\n");
    EXPECT_EQ(run.out, "");
  }
  for (const std::string& program : {FullProgram(), std::string("PartwellLite")}) {
    const ProgramRun version = Run(program, {"-V"});
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(std::regex_match(
        version.out, std::regex(program + " \\(Partwell(Lite)?\\) \\d+\\.\\d+\\.\\d+, build \\d+\n"
                                          "Copyright .* MIT License\\.\n.*\n")))
        << version.out;
  }
  // Without arguments the Windows lite program opens its window.
  if (!ProgramsAreWindowsPrograms()) {
    const ProgramRun run = Run("PartwellLite", {});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "PartwellLite: no command given\nTry 'PartwellLite --help'.\n");
  }
  const ProgramRun help = Partwell({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("split SOURCE [-d FOLDER]"), std::string::npos);
  EXPECT_EQ(help.err, "");
  const ProgramRun liteHelp = Run("PartwellLite", {"merge", "--help"});
  EXPECT_EQ(liteHelp.status, 0);
  EXPECT_EQ(liteHelp.out.find("split"), std::string::npos);
}

TEST_F(ConsoleProgramTest, InfoShowsWhatTheMergePageShows) {
  MakeSample();
  ASSERT_EQ(SplitSample({"--comments", "made for a test"}).status, 0);
  const std::string master = (data_ / kPackage[0]).string();
  const std::string expected =
      "Number of split files: 5\n"
      "Split files maximum byte size: 30,000 (29.30 KB)\n"
      "Time split: <when>\n"
      "Byte size: 100,000 (97.66 KB)\n"
      "Comments: made for a test\n"
      "Merged file name: sample.bin\n"
      "Merged file destination folder: <data>/\n";
  for (const std::string& program : {FullProgram(), std::string("PartwellLite")}) {
    const ProgramRun run = Run(program, {"info", master});
    EXPECT_EQ(run.status, 0) << program;
    EXPECT_EQ(run.err, "");
    const std::string shown = std::regex_replace(
        Normalized(run.out), std::regex("Time split: [^\n]+"), "Time split: <when>");
    EXPECT_EQ(shown, expected) << program;
  }
  const ProgramRun missing = Partwell({"info", (data_ / "none.fsm").string()});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(Normalized(missing.err), "partwell: The file <data>/none.fsm was not found.\n");
  const ProgramRun notPackage = Partwell({"info", (data_ / "sample.bin").string()});
  EXPECT_EQ(notPackage.status, 1);
  EXPECT_EQ(Normalized(notPackage.err),
            "partwell: The format of the file <data>/sample.bin is invalid.\n");
}

TEST_F(ConsoleProgramTest, MergeRebuildsTheFileAndVerifyWritesNothing) {
  const std::string original = SampleBytes(100'000);
  MakeSample();
  ASSERT_EQ(SplitSample().status, 0);
  fs::remove(data_ / "sample.bin");
  const std::vector<std::string> before = Listing(data_);
  const std::string master = (data_ / kPackage[0]).string();
  for (const std::string& program : {FullProgram(), std::string("PartwellLite")}) {
    const ProgramRun verify = Run(program, {"verify", master});
    EXPECT_EQ(verify.status, 0) << verify.err;
    EXPECT_NE(verify.err.find(": The operation was completed.\n"), std::string::npos);
    // A verify creates nothing, and says what it does.
    EXPECT_NE(verify.err.find(": Verifying the split files of sample.bin...\n"), std::string::npos)
        << verify.err;
    EXPECT_EQ(verify.err.find("Creating"), std::string::npos);
    EXPECT_EQ(Listing(data_), before);
  }
  const fs::path out = scratch_.Path() / "out";
  fs::create_directories(out);
  ProgramRun merge = Partwell({"merge", master, "--dest", out.string()});
  EXPECT_EQ(merge.status, 0) << merge.err;
  EXPECT_EQ(FileText(out / "sample.bin"), original);
  // Again: the merged file exists, and nobody is there to say it may go.
  merge = Partwell({"merge", master, "--dest", out.string()});
  EXPECT_EQ(merge.status, 3);
  EXPECT_NE(merge.err.find("overwrite " + (out / "sample.bin").string() +
                           ".\nWould you like to continue? [y/n] no\n"),
            std::string::npos)
      << merge.err;
  // Another name, in the master's folder, from the lite program.
  merge = Run("PartwellLite", {"merge", master, "--name", "copy.bin"});
  EXPECT_EQ(merge.status, 0) << merge.err;
  EXPECT_EQ(FileText(data_ / "copy.bin"), original);
  fs::remove(data_ / "copy.bin");
  // Deleted when done: the whole package, after the merged file is whole.
  merge = Partwell({"merge", master, "--dest", out.string(), "--yes", "--delete-when-done"});
  EXPECT_EQ(merge.status, 0) << merge.err;
  EXPECT_EQ(FileText(out / "sample.bin"), original);
  EXPECT_TRUE(Listing(data_).empty());
}

// Windows opens a device for such a name (the data would go nowhere, reported as done); POSIX
// has only "." and "..".
TEST_F(ConsoleProgramTest, NamesOfDevicesAreRefusedBeforeAnythingIsWritten) {
  MakeSample();
  ASSERT_EQ(SplitSample().status, 0);
  const std::vector<std::string> before = Listing(data_);
  const bool windows = ProgramsAreWindowsPrograms();
  const std::string master = (data_ / kPackage[0]).string();
  for (const std::string name : {windows ? "NUL" : "..", windows ? "con.txt" : "."}) {
    ProgramRun run = Partwell({"merge", master, "--name", name, "--yes"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find((data_ / name).string() + " is an invalid file name.\n"),
              std::string::npos)
        << run.err;
    run = SplitSample({"--prefix", name, "--yes"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(" is an invalid file name.\n"), std::string::npos) << run.err;
    EXPECT_EQ(Listing(data_), before);
  }
}

// A POSIX name need not be UTF-8: the package keeps its bytes, the merge gives them back, and
// messages show the byte escaped.
TEST_F(ConsoleProgramTest, NameOutsideUtf8SplitsAndMergesUnderItsOwnName) {
  if (ProgramsAreWindowsPrograms()) GTEST_SKIP() << "Windows names are UTF-16";
  const std::string name = "bad\xFFname.bin";
  MakeSample(100'000, name);
  const ProgramRun split = Partwell({"split", (data_ / name).string(), "--size", "30000"});
  ASSERT_EQ(split.status, 0) << split.err;
  EXPECT_NE(split.err.find("Opening bad\\xFFname.bin...\n"), std::string::npos) << split.err;
  const fs::path out = scratch_.Path() / "out";
  fs::create_directories(out);
  const ProgramRun merge =
      Partwell({"merge", (data_ / (name + "_00000.fsm")).string(), "--dest", out.string()});
  EXPECT_EQ(merge.status, 0) << merge.err;
  EXPECT_EQ(Listing(out), std::vector<std::string>{name});
  EXPECT_EQ(FileText(out / name), SampleBytes(100'000));
}

TEST_F(ConsoleProgramTest, DamagedPackageIsRefusedAndLeavesNothingBehind) {
  MakeSample();
  ASSERT_EQ(SplitSample().status, 0);
  fs::remove(data_ / "sample.bin");
  const std::string master = (data_ / kPackage[0]).string();
  {
    std::fstream piece(data_ / kPackage[2], std::ios::in | std::ios::out | std::ios::binary);
    piece.seekp(1000);
    piece.put('\x5A');
  }
  const std::vector<std::string> before = Listing(data_);
  // The damaged file by its path and its disk number; the reason comes last, after the time
  // and the data processed.
  const std::string ending =
      "partwell: The operation was NOT completed.\n"
      "partwell: Time ellapsed: <time>\n"
      "partwell: Data processed: 58.48 KB\n"
      "partwell: Corruption warning: The initial and final file contents do not match in "
      "<data>/sample.bin_00002.fss (disk #2).\n";
  for (const std::string command : {"merge", "verify"}) {
    const ProgramRun run = Partwell({command, master});
    EXPECT_EQ(run.status, 1) << command;
    EXPECT_TRUE(Normalized(run.err).ends_with(ending)) << run.err;
    EXPECT_EQ(Listing(data_), before) << command;
  }
  fs::remove(data_ / kPackage[3]);
  // A piece in the place of another (removed first: MinGW's overwriting copy fails under Wine).
  fs::remove(data_ / kPackage[2]);
  fs::copy_file(data_ / kPackage[1], data_ / kPackage[2]);
  const ProgramRun run = Run("PartwellLite", {"merge", master});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(Listing(data_).size(), before.size() - 1);
  EXPECT_FALSE(fs::exists(data_ / "sample.bin"));
}

// The checks shared with the window would say "not found" of what is there.
TEST_F(ConsoleProgramTest, FolderForAFileOrFileForAFolderIsNamedForWhatItIs) {
  MakeSample();
  ASSERT_EQ(SplitSample().status, 0);
  fs::create_directories(data_ / "folder");
  const std::vector<std::string> before = Listing(data_);
  const std::string folder = (data_ / "folder").string();
  const std::string file = (data_ / "sample.bin").string();
  const std::string master = (data_ / kPackage[0]).string();
  const std::string isFolder = ": <data>/folder is a folder, not a file.\n";
  const std::string isFile = ": <data>/sample.bin is a file, not a folder.\n";
  const struct {
    std::string program;
    std::vector<std::string> arguments;
    std::string err;
  } cases[] = {
      {FullProgram(), {"split", folder, "-y"}, "partwell" + isFolder},
      {FullProgram(), {"plan", master, "-d", file}, "partwell" + isFile},
      {FullProgram(), {"merge", folder}, "partwell" + isFolder},
      {"PartwellLite", {"info", folder}, "PartwellLite" + isFolder},
      {"PartwellLite", {"merge", master, "-d", file, "-y"}, "PartwellLite" + isFile},
  };
  for (const auto& c : cases) {
    const ProgramRun run = Run(c.program, c.arguments);
    EXPECT_EQ(run.status, 1) << c.err;
    EXPECT_EQ(Normalized(run.err), c.err);
  }
  EXPECT_EQ(Listing(data_), before);
}

// Another program that writes the file (another run, through its lock on POSIX; any program
// on Windows) is named as the reason, rather than a "sharing violation"; the file is left alone.
TEST_F(ConsoleProgramTest, AFileInUseIsSaidToBeUsedByAnotherProgram) {
  MakeSample();
  ASSERT_EQ(SplitSample().status, 0);
  const std::string target = (data_ / "held.bin").string();
  const FileHeldForWriting held(target);
  const ProgramRun run =
      Partwell({"merge", (data_ / kPackage[0]).string(), "--name", "held.bin", "--yes"});
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(
      Normalized(run.err).ends_with("partwell: The operation was NOT completed.\n"
                                    "partwell: Another program is using <data>/held.bin.\n"))
      << run.err;
  EXPECT_EQ(fs::file_size(target), 0u);
}

TEST_F(ConsoleProgramTest, RelativePathsAreTakenFromTheCurrentFolder) {
  MakeSample();
  fs::create_directories(data_ / "out");
  ProgramRun run = Run(FullProgram(), {"split", "sample.bin", "--count", "2"}, data_.string());
  EXPECT_EQ(run.status, 0) << run.err;
  run = Run("PartwellLite", {"merge", "sample.bin_00000.fsm", "--dest", "out"}, data_.string());
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(FileText(data_ / "out" / "sample.bin"), SampleBytes(100'000));
}

// The lite program at the head of a package merges it when run, wherever the package went.
TEST_F(ConsoleProgramTest, SelfExtractingMasterMergesItsPackageWhenRun) {
  const std::uintmax_t stub = fs::file_size(BuiltProgramPath("PartwellLite"));
  const std::uintmax_t pieceSize = stub + 100'000;
  const std::string original = SampleBytes(static_cast<std::size_t>(pieceSize * 5 / 2));
  scratch_.Write("data/sample.bin", original.data(), original.size());
  ProgramRun run = Partwell({"split", (data_ / "sample.bin").string(), "--size",
                             std::to_string(pieceSize), "--self-extracting"});
  ASSERT_EQ(run.status, 0) << run.err;
  const fs::path moved = scratch_.Path() / "moved";
  fs::create_directories(moved);
  for (const std::string name : {"sample.bin_00000.exe", "sample.bin_00001.fss",
                                 "sample.bin_00002.fss", "sample.bin_00003.fss"}) {
    fs::copy_file(data_ / name, moved / name);
  }
  const std::string master = (moved / "sample.bin_00000.exe").string();
  // Asked without a terminal: declined, nothing written. (Without arguments the Windows master
  // opens its window instead; --no asks the same on the console.)
  const std::vector<std::string> noAnswer =
      ProgramsAreWindowsPrograms() ? std::vector<std::string>{"--no"} : std::vector<std::string>{};
  run = RunProgram(master, noAnswer, io_.string(), {.environment = kEnglish});
  EXPECT_EQ(run.status, 3) << run.err;
  EXPECT_NE(run.out.find("Merged file name: sample.bin\n"), std::string::npos) << run.out;
  EXPECT_NE(
      run.err.find("Merge the package into " + (moved / "sample.bin").string() + "? [y/n] no\n"),
      std::string::npos)
      << run.err;
  EXPECT_FALSE(fs::exists(moved / "sample.bin"));
  run = RunProgram(master, {"--yes"}, io_.string(), {.environment = kEnglish});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(FileText(moved / "sample.bin"), original);
  EXPECT_EQ(Listing(moved).size(), 5u);  // the package stays
  // A self-extracting master is a package for the other commands too.
  EXPECT_EQ(Partwell({"verify", master}).status, 0);
}

// On a terminal: the live line, and questions asked until answered.
TEST_F(ConsoleProgramTest, OnATerminalAsksAndDrawsTheLiveLine) {
  if (ProgramsAreWindowsPrograms()) GTEST_SKIP() << "needs a POSIX pseudo-terminal";
  if (std::system("script -V >/dev/null 2>&1") != 0) GTEST_SKIP() << "no script(1)";
  MakeSample();
  ASSERT_EQ(SplitSample().status, 0);
  const auto onTerminal = [this](const std::string& answers) {
    std::string command = "'" + BuiltProgramPath(FullProgram()) + "' split '" +
                          (data_ / "sample.bin").string() + "' --size 30000";
    return RunProgram("script", {"-qec", command, "/dev/null"}, io_.string(),
                      {.input = answers, .environment = kEnglish});
  };
  ProgramRun run = onTerminal("maybe\nn\n");
  EXPECT_EQ(run.status, 3);
  // Asked twice, then stopped. The terminal may echo the answers or not, by when they arrive.
  EXPECT_TRUE(std::regex_search(
      run.out,
      std::regex(R"(continue\? \[y/n\] [^\[]*\[y/n\] [^\[]*partwell: The operation was NOT)")))
      << run.out;
  run = onTerminal("y\n");
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("] 100%  "), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("partwell: The operation was completed.\r\npartwell: Time ellapsed: "),
            std::string::npos)
      << run.out;
}

// The report goes on past every bad piece: one line each, how many are good, which to fetch
// again. It asks nothing and writes nothing, from either program.
TEST_F(ConsoleProgramTest, ReportListsEveryBadPieceAndWritesNothing) {
  MakeSample();
  ASSERT_EQ(SplitSample().status, 0);
  fs::remove(data_ / "sample.bin");
  FlipByteAt((data_ / kPackage[1]).string(), 1000);
  fs::resize_file(data_ / kPackage[2], 20'000);
  fs::remove(data_ / kPackage[3]);
  const auto before = FolderContents(data_);
  for (const std::string& program : {FullProgram(), std::string("PartwellLite")}) {
    const ProgramRun run = Run(program, {"verify", (data_ / kPackage[0]).string(), "--report"});
    EXPECT_EQ(run.status, 4) << run.err;
    EXPECT_EQ(run.out,
              "sample.bin_00001.fss: wrong checksum\n"
              "sample.bin_00002.fss: wrong size\n"
              "sample.bin_00003.fss: missing\n"
              "sample.bin_00004.fss: ok\n"
              "1 of 4 data split files are good.\n"
              "Fetch again: sample.bin_00001.fss, sample.bin_00002.fss, sample.bin_00003.fss\n");
    EXPECT_EQ(run.err.find("[y/n]"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("Reason"), std::string::npos) << run.err;
    EXPECT_EQ(FolderContents(data_), before);
  }
}

// A piece moved to another folder is found by its name; one of another package of the same
// name is refused, by the report and by the merge.
TEST_F(ConsoleProgramTest, SearchFindsAMovedPieceAndRefusesOneOfAnotherPackage) {
  MakeSample();
  ASSERT_EQ(SplitSample().status, 0);
  fs::remove(data_ / "sample.bin");
  const fs::path moved = scratch_.Path() / "moved", other = scratch_.Path() / "other";
  fs::create_directories(moved);
  fs::create_directories(other);
  fs::rename(data_ / kPackage[2], moved / kPackage[2]);
  const std::string bytes = SampleBytes(100'000);
  const std::string otherBytes(bytes.rbegin(), bytes.rend());
  const std::string otherSource = scratch_.Write("other/sample.bin", otherBytes.data(), 100'000);
  ASSERT_EQ(Partwell({"split", otherSource, "--size", "30000"}).status, 0);
  const std::string master = (data_ / kPackage[0]).string();
  const fs::path out = scratch_.Path() / "out";
  fs::create_directories(out);

  ProgramRun run = Partwell({"verify", master, "--report", "--search", other.string()});
  EXPECT_EQ(run.status, 4) << run.err;
  EXPECT_NE(run.out.find("sample.bin_00002.fss: from another package: " +
                         (other / kPackage[2]).string() + "\n"),
            std::string::npos)
      << run.out;
  run = Partwell({"merge", master, "--search", other.string(), "--dest", out.string()});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find((other / kPackage[2]).string() + " is not data split file #2"),
            std::string::npos)
      << run.err;
  EXPECT_TRUE(Listing(out).empty());

  run = Partwell(
      {"verify", master, "--report", "--search", other.string(), "--search", moved.string()});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find(
                "sample.bin_00002.fss: found elsewhere: " + (moved / kPackage[2]).string() + "\n"),
            std::string::npos)
      << run.out;
  EXPECT_TRUE(run.out.ends_with("\n4 of 4 data split files are good.\n")) << run.out;
  run = Partwell({"merge", master, "--search", other.string(), "--search", moved.string(), "--dest",
                  out.string()});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(FileText(out / "sample.bin"), bytes);
  EXPECT_EQ(Listing(moved), std::vector<std::string>{kPackage[2]});
}

}  // namespace
