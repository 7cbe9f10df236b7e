#pragma once
// No exception may cross into Windows: every window procedure of ours runs its handler
// through this guard, which reports what escapes as the application reports it.

#include <utility>

#include "ui/win32/windows_ui.h"

// Reports the exception being handled, in a message box owned by `owner`: an application
// error as the command handler shows it (nothing for a user abort), a failed allocation as
// the out-of-memory error, anything else as the internal error.
void ReportCurrentException(HWND owner);

template <typename Result, typename Handler>
Result CallGuarded(HWND owner, Result fallback, Handler&& handler) {
  try {
    return std::forward<Handler>(handler)();
  } catch (...) {
    ReportCurrentException(owner);
    return fallback;
  }
}
