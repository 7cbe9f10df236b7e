#include "platform/interrupt_flags.h"

#include <atomic>

#include "platform/console.h"

namespace platform {
namespace {

static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
              "the flags are set inside a handler");
std::atomic<bool> cancelRequested{false};
std::atomic<bool> readWaiting{false};
std::atomic<bool> readInterrupted{false};
std::atomic<int> terminationSignal{0};

}  // namespace

void NoteInterrupt() {
  if (readWaiting.load())
    readInterrupted.store(true);
  else
    cancelRequested.store(true);
}

InterruptibleRead::InterruptibleRead() {
  // Cleared before the read is marked, so a Ctrl-C in between counts as a cancel request.
  readInterrupted.store(false);
  readWaiting.store(true);
}

InterruptibleRead::~InterruptibleRead() { readWaiting.store(false); }

bool InterruptibleRead::Interrupted() const {
  return readInterrupted.load() || terminationSignal.load() != 0;
}

void NoteTermination(int signal) {
  int none = 0;
  terminationSignal.compare_exchange_strong(none, signal);
}

int TerminationSignal() { return terminationSignal.load(); }

bool CancelRequested() { return cancelRequested.load(); }

void ClearCancelRequest() { cancelRequested.store(false); }

}  // namespace platform
