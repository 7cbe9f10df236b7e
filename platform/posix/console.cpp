#include "platform/console.h"

#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/interrupt_flags.h"
#include "platform/unicode.h"

namespace platform {
namespace {

extern "C" void OnInterruptSignal(int) { NoteInterrupt(); }

// Holds SIGINT and the requests to end back for the scope; the wait below lets them through
// atomically, so a signal can never slip in between the check of the flags and the start of
// the wait.
class InterruptBlock {
 public:
  InterruptBlock() {
    sigset_t held;
    sigemptyset(&held);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) sigaddset(&held, signal);
    pthread_sigmask(SIG_BLOCK, &held, &previous_);
  }
  InterruptBlock(const InterruptBlock&) = delete;
  InterruptBlock& operator=(const InterruptBlock&) = delete;
  ~InterruptBlock() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

  // Waits until `fd` is readable or a signal arrives; false for a signal.
  bool WaitReadable(int fd) const {
    pollfd wanted{fd, POLLIN, 0};
    return ppoll(&wanted, 1, nullptr, &previous_) >= 0;
  }

 private:
  sigset_t previous_;
};

// Written whole, unless the reader has gone or the program is asked to end: a signal that
// interrupts a write blocked on a full pipe then ends the wait, and the text is dropped.
void WriteToStream(FILE* stream, std::string_view text) {
  std::fflush(stream);
  const int fd = fileno(stream);
  while (!text.empty()) {
    const ssize_t put = write(fd, text.data(), text.size());
    if (put < 0 && errno == EINTR && TerminationSignal() == 0) continue;
    if (put <= 0) return;
    text.remove_prefix(static_cast<std::size_t>(put));
  }
}

}  // namespace

void UseParentConsole() {}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

// A terminal that this program may read from: a job in the background would be stopped by
// its first read (as under timeout(1), which starts the program in a group of its own).
bool StandardInputIsTerminal() {
  const int fd = fileno(stdin);
  return isatty(fd) == 1 && tcgetpgrp(fd) == getpgrp();
}

bool StandardErrorIsTerminal() { return isatty(fileno(stderr)) == 1; }

std::optional<int> TerminalWidth() {
  winsize size{};
  if (ioctl(fileno(stderr), TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return std::nullopt;
  return size.ws_col;
}

void WriteToStandardError(std::string_view text) { WriteToStream(stderr, DisplayText(text)); }

void WriteToStandardOutput(std::string_view text) { WriteToStream(stdout, DisplayText(text)); }

LineReadResult ReadStandardInputLine(std::string& line) {
  line.clear();
  const int fd = fileno(stdin);
  InterruptibleRead pending;
  InterruptBlock block;
  for (;;) {
    if (pending.Interrupted()) return LineReadResult::interrupted;
    if (!block.WaitReadable(fd)) {
      if (errno == EINTR) continue;
      return LineReadResult::closed;
    }
    // One byte at a time, so nothing after the line is taken from those who read on.
    char byte;
    ssize_t count = read(fd, &byte, 1);
    if (count < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (count <= 0) return line.empty() ? LineReadResult::closed : LineReadResult::line;
    if (byte == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return LineReadResult::line;
    }
    line += byte;
  }
}

void InstallInterruptHandler() {
  struct sigaction current {};
  // A program started in the background by a shell without job control ignores Ctrl-C.
  if (sigaction(SIGINT, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) return;
  struct sigaction action {};
  action.sa_handler = OnInterruptSignal;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a call blocked on a pipe or a terminal returns to look at the flags.
  action.sa_flags = 0;
  sigaction(SIGINT, &action, nullptr);
}

}  // namespace platform
