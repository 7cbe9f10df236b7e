// What stops a run of the real programs on POSIX: signals sent in the middle of a split or a
// merge, pipes and devices where files are expected, and the file size limit. Each run is
// started with an alarm, so that a program that hangs fails its test instead of the suite.

#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/program_run.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/settings_sandbox.h"

namespace fs = std::filesystem;

namespace {

constexpr unsigned kAlarmSeconds = 60;
// One page: a pipe of this size holds one buffer, which the program's lines fill up.
constexpr int kPipeSize = 4096;

struct Ending {
  std::optional<int> exitCode;  // when the program exited
  std::optional<int> signal;    // when a signal ended it
};

struct StartOptions {
  // Bytes of the program's standard error that fit before its next line has to wait; all of
  // it when not given.
  std::optional<std::size_t> errorRoom;
  std::optional<rlim_t> fileSizeLimit;
};

// A program of the build running in the background, its standard error on a pipe.
class RunningProgram {
 public:
  RunningProgram(const std::vector<std::string>& arguments, const StartOptions& options) {
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    readEnd_ = pipeEnds[0];
    writeEnd_ = pipeEnds[1];
    if (options.errorRoom) LeaveRoom(*options.errorRoom);
    pid_ = fork();
    if (pid_ == 0) RunChild(arguments, options);
    close(writeEnd_);
    writeEnd_ = -1;
  }
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;
  ~RunningProgram() {
    if (pid_ > 0 && !ended_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (readEnd_ >= 0) close(readEnd_);
  }

  // Until the program waits for room on its standard error; false when it ended instead.
  // A full pipe is not enough: the last line that fitted comes before the work it names, so
  // the program is held only once it sleeps in its next write.
  bool WaitUntilErrorIsFull() const {
    for (int queued = 0; queued < kPipeSize || !SleepsInAPipeWrite();) {
      siginfo_t info{};
      if (waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
          info.si_pid != 0) {
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      ioctl(readEnd_, FIONREAD, &queued);
    }
    return true;
  }
  void Signal(int signal) const { kill(pid_, signal); }
  // The reader of standard error goes away, as `| head` does.
  void CloseErrorPipe() {
    close(readEnd_);
    readEnd_ = -1;
  }

  // Reads standard error to its end and waits for the program to end.
  Ending Finish() {
    if (readEnd_ >= 0) {
      char buffer[4096];
      ssize_t got;
      while ((got = read(readEnd_, buffer, sizeof buffer)) > 0) error_.append(buffer, got);
    }
    int status = 0;
    waitpid(pid_, &status, 0);
    ended_ = true;
    if (WIFSIGNALED(status)) return {std::nullopt, WTERMSIG(status)};
    return {WEXITSTATUS(status), std::nullopt};
  }
  // What standard error carried after the filler.
  std::string ErrorText() const {
    const std::size_t start = error_.find_first_not_of('.');
    return start == std::string::npos ? std::string() : error_.substr(start);
  }

 private:
  // Whether one of the program's threads is asleep in the kernel's pipe write. A kernel that
  // hides where threads sleep shows "0"; the full pipe has to do then.
  bool SleepsInAPipeWrite() const {
    const fs::path tasks = "/proc/" + std::to_string(pid_) + "/task";
    std::error_code error;
    for (const auto& task : fs::directory_iterator(tasks, error)) {
      std::ifstream wchan(task.path() / "wchan");
      std::string where;
      if (wchan >> where && (where == "0" || where.find("pipe") != std::string::npos)) return true;
    }
    return false;
  }

  // Filler in the pipe's only buffer, so that `room` bytes of lines fit behind it.
  void LeaveRoom(std::size_t room) const {
    fcntl(writeEnd_, F_SETPIPE_SZ, kPipeSize);
    const std::string filler(kPipeSize - room, '.');
    if (write(writeEnd_, filler.data(), filler.size()) != static_cast<ssize_t>(filler.size())) {
      throw std::runtime_error("filler");
    }
  }

  [[noreturn]] void RunChild(const std::vector<std::string>& arguments,
                             const StartOptions& options) const {
    const int nothing = open("/dev/null", O_RDWR);
    dup2(nothing, STDIN_FILENO);
    dup2(nothing, STDOUT_FILENO);
    dup2(writeEnd_, STDERR_FILENO);
    setenv("LC_ALL", "en_US.UTF-8", 1);
    if (options.fileSizeLimit) {
      const rlimit limit{*options.fileSizeLimit, *options.fileSizeLimit};
      setrlimit(RLIMIT_FSIZE, &limit);
    }
    // Signals as a shell leaves them to the programs it starts.
    for (const int signal : {SIGINT, SIGHUP, SIGPIPE, SIGTERM, SIGXFSZ})
      std::signal(signal, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    alarm(kAlarmSeconds);
    const std::string program = BuiltProgramPath("partwell");
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments)
      argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }

  pid_t pid_ = -1;
  int readEnd_ = -1;
  int writeEnd_ = -1;
  bool ended_ = false;
  std::string error_;
};

class PosixInterruptionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (ProgramsAreWindowsPrograms()) GTEST_SKIP() << "POSIX signals and files";
    fs::create_directories(data_);
    fs::create_directories(out_);
    std::string bytes(100'000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + i / 251);
    WriteWholeFile((data_ / "sample.bin").string(), bytes.data(), bytes.size());
  }

  // Runs the program to its end without holding it anywhere.
  Ending Run(const std::vector<std::string>& arguments, const StartOptions& options = {}) {
    RunningProgram program(arguments, options);
    const Ending ending = program.Finish();
    lastError_ = program.ErrorText();
    return ending;
  }

  void RemoveAllButTheSource() const {
    for (const auto& entry : fs::directory_iterator(data_)) {
      if (entry.path().filename() != "sample.bin") fs::remove(entry.path());
    }
  }

  std::vector<std::string> SplitArguments() const {
    return {"split", (data_ / "sample.bin").string(), "--size", "30000", "--yes"};
  }
  std::vector<std::string> MergeArguments() const {
    return {"merge", (data_ / "sample.bin_00000.fsm").string(), "--dest", out_.string(), "--yes"};
  }

  // The bytes that a whole run writes to standard error before the line that names `file`.
  std::size_t ErrorBytesBefore(const std::string& file) const {
    const std::size_t at = lastError_.find("partwell: Processing " + file + "...");
    EXPECT_NE(at, std::string::npos) << lastError_;
    return at;
  }

  // Starts the run again and holds it where it writes the line that names `file`: by then
  // it has written the files before it.
  std::unique_ptr<RunningProgram> HoldAt(const std::vector<std::string>& arguments,
                                         const std::string& file) {
    auto program =
        std::make_unique<RunningProgram>(arguments, StartOptions{ErrorBytesBefore(file), {}});
    EXPECT_TRUE(program->WaitUntilErrorIsFull()) << "the run did not stop before " << file;
    return program;
  }

  SettingsSandbox settings_;
  ScratchFolder scratch_;
  fs::path data_ = scratch_.Path() / "data";
  fs::path out_ = scratch_.Path() / "out";
  std::string lastError_;
};

const std::vector<std::string> kSourceOnly = {"sample.bin"};

TEST_F(PosixInterruptionTest, SignalsInTheMiddleOfASplitRemoveItsFiles) {
  ASSERT_EQ(Run(SplitArguments()).exitCode, 0) << lastError_;
  RemoveAllButTheSource();
  const struct {
    int signal;
    Ending ending;
  } cases[] = {
      {SIGHUP, {std::nullopt, SIGHUP}},
      {SIGTERM, {std::nullopt, SIGTERM}},
      // Without a terminal nobody can be asked: the first Ctrl-C cancels.
      {SIGINT, {3, std::nullopt}},
  };
  for (const auto& c : cases) {
    const auto program = HoldAt(SplitArguments(), "sample.bin_00002.fss");
    EXPECT_TRUE(fs::exists(data_ / "sample.bin_00001.fss"));
    program->Signal(c.signal);
    const Ending ending = program->Finish();
    EXPECT_EQ(ending.exitCode, c.ending.exitCode) << c.signal;
    EXPECT_EQ(ending.signal, c.ending.signal) << c.signal;
    EXPECT_EQ(Listing(data_), kSourceOnly) << c.signal << "\n" << program->ErrorText();
  }

  // A reader that goes away ends the split as the pipe's signal would, after the cleanup.
  const auto program = HoldAt(SplitArguments(), "sample.bin_00002.fss");
  program->CloseErrorPipe();
  EXPECT_EQ(program->Finish().signal, SIGPIPE);
  EXPECT_EQ(Listing(data_), kSourceOnly);
}

TEST_F(PosixInterruptionTest, SignalsInTheMiddleOfAMergeLeaveNothingInItsFolder) {
  ASSERT_EQ(Run(SplitArguments()).exitCode, 0) << lastError_;
  ASSERT_EQ(Run(MergeArguments()).exitCode, 0) << lastError_;
  fs::remove(out_ / "sample.bin");
  for (const int signal : {SIGHUP, SIGINT, SIGPIPE}) {
    const auto program = HoldAt(MergeArguments(), "sample.bin_00002.fss");
    if (signal == SIGPIPE) {
      program->CloseErrorPipe();
    } else {
      program->Signal(signal);
    }
    const Ending ending = program->Finish();
    EXPECT_EQ(ending.signal, signal == SIGINT ? std::nullopt : std::optional<int>(signal));
    EXPECT_EQ(ending.exitCode, signal == SIGINT ? std::optional<int>(3) : std::nullopt);
    EXPECT_TRUE(Listing(out_).empty()) << signal;
  }
}

TEST_F(PosixInterruptionTest, PipesAndDevicesAreRefusedWithoutWaiting) {
  ASSERT_EQ(Run(SplitArguments()).exitCode, 0) << lastError_;
  const fs::path master = data_ / "sample.bin_00000.fsm";
  const fs::path piece = data_ / "sample.bin_00002.fss";

  // A pipe nobody writes to as the master: every command ends at once and says why.
  fs::rename(master, data_ / "saved.fsm");
  ASSERT_EQ(mkfifo(master.c_str(), 0600), 0);
  for (const std::string command : {"info", "verify", "merge"}) {
    EXPECT_EQ(Run({command, master.string()}).exitCode, 1) << command;
    EXPECT_NE(lastError_.find(master.string() + " is not a regular file"), std::string::npos)
        << command << ": " << lastError_;
  }
  fs::remove(master);
  fs::rename(data_ / "saved.fsm", master);

  // A pipe as a piece is a faulty piece, as a missing one is.
  fs::remove(piece);
  ASSERT_EQ(mkfifo(piece.c_str(), 0600), 0);
  EXPECT_EQ(Run(MergeArguments()).exitCode, 1);
  EXPECT_NE(lastError_.find(piece.string() + " is not a regular file"), std::string::npos)
      << lastError_;
  EXPECT_TRUE(Listing(out_).empty());
}

TEST_F(PosixInterruptionTest, FileSizeLimitIsNamedAndLeavesNothingBehind) {
  // Each piece is larger than the limit; the master is not.
  const StartOptions limited{std::nullopt, 20'000};
  EXPECT_EQ(Run(SplitArguments(), limited).exitCode, 1);
  EXPECT_NE(lastError_.find("sample.bin_00001.fss cannot be that large"), std::string::npos)
      << lastError_;
  EXPECT_EQ(lastError_.find("Disk full"), std::string::npos) << lastError_;
  EXPECT_EQ(Listing(data_), kSourceOnly);

  ASSERT_EQ(Run(SplitArguments()).exitCode, 0) << lastError_;
  EXPECT_EQ(Run(MergeArguments(), limited).exitCode, 1);
  EXPECT_NE(lastError_.find("cannot be that large"), std::string::npos) << lastError_;
  EXPECT_TRUE(Listing(out_).empty());
}

}  // namespace
