#include "platform/termination.h"

#include <csignal>

#include "platform/interrupt_flags.h"

namespace platform {
namespace {

extern "C" void OnTerminationSignal(int signal) { NoteTermination(signal); }

}  // namespace

void WatchTerminationRequests() { std::signal(SIGTERM, OnTerminationSignal); }

bool TerminationRequested() { return TerminationSignal() != 0; }

void EndIfTerminationRequested() {
  const int signal = TerminationSignal();
  if (signal == 0) return;
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

}  // namespace platform
