#pragma once
// The busy window of a running operation: the operation scope runs, the main window is locked
// except Cancel (the Close button, relabelled), Help and About. Everything is given back on
// every way out.

#include "engine/operation_host.h"
#include "engine/operation_state.h"
#include "ui/win32/windows_ui.h"

class BusyWindowScope {
 public:
  BusyWindowScope(HWND mainWindow, OperationHost& host);
  ~BusyWindowScope();
  BusyWindowScope(const BusyWindowScope&) = delete;
  BusyWindowScope& operator=(const BusyWindowScope&) = delete;

 private:
  HWND mainWindow_;
  OperationScope scope_;
};
