#include "platform/termination.h"

#include <signal.h>

#include <cstdio>
#include <cstdlib>

#include "platform/interrupt_flags.h"

namespace platform {
namespace {

// A termination, the terminal hanging up, and the reader of an output pipe going away.
constexpr int kEndingSignals[] = {SIGTERM, SIGHUP, SIGPIPE};

extern "C" void OnEndingSignal(int signal) { NoteTermination(signal); }

// Whoever started the program asked for it to live on (nohup, a shell's "trap '' HUP").
bool IgnoredByParent(int signal) {
  struct sigaction current {};
  return sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
}

}  // namespace

void WatchTerminationRequests() {
  struct sigaction action {};
  action.sa_handler = OnEndingSignal;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a write blocked on a full pipe or a stopped terminal returns, so the
  // request is seen.
  action.sa_flags = 0;
  for (const int signal : kEndingSignals) {
    if (!IgnoredByParent(signal)) sigaction(signal, &action, nullptr);
  }
  // A write past the limit then fails with EFBIG, which names the limit as the error.
  ::signal(SIGXFSZ, SIG_IGN);
}

bool TerminationRequested() { return TerminationSignal() != 0; }

void EndIfTerminationRequested() {
  const int signal = TerminationSignal();
  if (signal == 0) return;
  std::fflush(nullptr);
  struct sigaction standard {};
  standard.sa_handler = SIG_DFL;
  sigemptyset(&standard.sa_mask);
  sigaction(signal, &standard, nullptr);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, signal);
  pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
  raise(signal);
  // Not reached: each of the signals ends the program by default.
  std::_Exit(128 + signal);
}

}  // namespace platform
