#pragma once
// What a Ctrl-C means at the moment it arrives, shared by the platforms' handlers. Everything
// here is a lock-free atomic flag, so the handlers may call it from a signal or another thread.

namespace platform {

// Called by the handler for each Ctrl-C: it ends a line read that is waiting, and otherwise
// requests cancellation.
void NoteInterrupt();

// Called by the handler of a request to end the program (a hangup, a closed output pipe, a
// termination): the first such signal is kept, and it ends a waiting line read too.
void NoteTermination(int signal);
// The signal that asked the program to end, or 0.
int TerminationSignal();

// Marks a line read as waiting for its whole lifetime.
class InterruptibleRead {
 public:
  InterruptibleRead();
  InterruptibleRead(const InterruptibleRead&) = delete;
  InterruptibleRead& operator=(const InterruptibleRead&) = delete;
  ~InterruptibleRead();

  // True once a Ctrl-C arrived while this read was waiting, or the program is asked to end.
  bool Interrupted() const;
};

}  // namespace platform
