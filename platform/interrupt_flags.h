#pragma once
// What a Ctrl-C means at the moment it arrives, shared by the platforms' handlers. Everything
// here is a lock-free atomic flag, so the handlers may call it from a signal or another thread.

namespace platform {

// Called by the handler for each Ctrl-C: it ends a line read that is waiting, and otherwise
// requests cancellation.
void NoteInterrupt();

// Marks a line read as waiting for its whole lifetime.
class InterruptibleRead {
 public:
  InterruptibleRead();
  InterruptibleRead(const InterruptibleRead&) = delete;
  InterruptibleRead& operator=(const InterruptibleRead&) = delete;
  ~InterruptibleRead();

  // True once a Ctrl-C arrived while this read was waiting.
  bool Interrupted() const;
};

}  // namespace platform
