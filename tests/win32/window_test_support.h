#pragma once
// Helpers of the window tests: pending messages handled, texts and states read back.

#include <functional>
#include <string>

#include "platform/win32/windows_support.h"

namespace test {

// Handles every message that is waiting, for a short while, so that what a message started
// has finished before a check.
void FlushMessages(int milliseconds = 50);

// The window's text, in UTF-8.
std::string WindowText(HWND window);
std::string ItemText(HWND dialog, int id);

// Runs `action` from the message loop of the modal window that `show` opens, then returns
// what `show` returned (the action must close the window).
INT_PTR WhileModal(const std::function<INT_PTR()>& show, std::function<void()> action);
// The same, once `ready` holds, looked at every 100 ms for up to 30 seconds: a window that the
// system builds slowly, such as a file dialog on a busy machine, is there when it is answered.
INT_PTR WhileModalOnceReady(const std::function<INT_PTR()>& show, std::function<bool()> ready,
                            std::function<void()> action);

// A window program started as a user starts it, with the first window it shows (null when
// none came within 30 seconds). At the end it has 30 seconds to finish before it is ended.
class StartedProgram {
 public:
  explicit StartedProgram(const std::string& commandLine);
  ~StartedProgram();
  StartedProgram(const StartedProgram&) = delete;
  StartedProgram& operator=(const StartedProgram&) = delete;

  HWND Window() const { return window_; }
  // The page the window shows (a property sheet).
  HWND ActivePage() const;
  // Waits for the program to end; false when it is still running.
  bool WaitForEnd(DWORD milliseconds) const;
  // Ends it at once, as the system does at the end of a session.
  void EndAbruptly() const;

 private:
  PROCESS_INFORMATION process_{};
  HWND window_ = nullptr;
};

}  // namespace test
