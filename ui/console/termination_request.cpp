#include "ui/console/termination_request.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t terminationRequested = 0;

extern "C" void OnTerminationSignal(int) { terminationRequested = 1; }

}  // namespace

void WatchTerminationRequest() { std::signal(SIGTERM, OnTerminationSignal); }

bool TerminationRequested() { return terminationRequested != 0; }

void EndIfTerminationRequested() {
  if (!TerminationRequested()) return;
  std::signal(SIGTERM, SIG_DFL);
  std::raise(SIGTERM);
}
