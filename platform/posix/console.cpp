#include "platform/console.h"

#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/interrupt_flags.h"

namespace platform {
namespace {

extern "C" void OnInterruptSignal(int) { NoteInterrupt(); }

// Holds SIGINT back for the scope; the wait below lets it through atomically, so a Ctrl-C can
// never slip in between the check of the flag and the start of the wait.
class InterruptBlock {
 public:
  InterruptBlock() {
    sigset_t interrupt;
    sigemptyset(&interrupt);
    sigaddset(&interrupt, SIGINT);
    pthread_sigmask(SIG_BLOCK, &interrupt, &previous_);
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

void WriteToStream(FILE* stream, std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stream);
  std::fflush(stream);
}

}  // namespace

void UseParentConsole() {}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

bool StandardInputIsTerminal() { return isatty(fileno(stdin)) == 1; }

bool StandardErrorIsTerminal() { return isatty(fileno(stderr)) == 1; }

std::optional<int> TerminalWidth() {
  winsize size{};
  if (ioctl(fileno(stderr), TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return std::nullopt;
  return size.ws_col;
}

void WriteToStandardError(std::string_view text) { WriteToStream(stderr, text); }

void WriteToStandardOutput(std::string_view text) { WriteToStream(stdout, text); }

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
  struct sigaction action {};
  action.sa_handler = OnInterruptSignal;
  sigemptyset(&action.sa_mask);
  // Other calls resume after a Ctrl-C; only the line read's wait, which is never resumed,
  // returns early to look at the flags.
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
}

}  // namespace platform
