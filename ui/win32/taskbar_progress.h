#pragma once
// The progress of a running operation on the main window's taskbar button, where the system
// has one (Windows 7 and later).

#include <shobjidl.h>

#include "ui/win32/shell_handles.h"

class TaskbarProgress {
 public:
  explicit TaskbarProgress(HWND window);
  ~TaskbarProgress();
  TaskbarProgress(const TaskbarProgress&) = delete;
  TaskbarProgress& operator=(const TaskbarProgress&) = delete;

  // 1 to 99 fills the button; 0 and 100 (the operation's start and end) clear it.
  void Show(int percent);
  // The button turns to the error state until the next operation.
  void ShowFailure();

 private:
  HWND window_;
  ComPtr<ITaskbarList3> taskbar_;
  bool failed_ = false;
};
