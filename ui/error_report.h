#pragma once
// What a catcher shows for an exception: the text and the message-box type. Showing it is
// the front end's business.

#include <string>

#include "base/exceptions.h"
#include "platform/system_error.h"

struct ErrorReport {
  bool shown = false;  // false: nothing is shown (silent abort, empty text)
  std::string text;
  unsigned boxType = 0;
  unsigned helpContext = 0;
};

// The report text of 512 characters that the framework shows for an exception, with the
// fallback string when the exception has no text (61472 when the fallback is 0).
ErrorReport ReportError(const CException& error, unsigned boxType, unsigned fallbackId);

// The start-up guard: exclamation icon, no fallback.
ErrorReport ReportStartupError(const CException& error);
// The application-wide handler for an exception escaping a command: memory errors are
// exclamation and system-modal, user aborts show nothing, others the error icon; the
// fallback is 61705 for a menu or accelerator command, 61704 for a button.
ErrorReport ReportCommandError(const CException& error, bool fromMenu);

// "Error #%1: %2" for a failed system call in a helper; code 0 shows nothing.
ErrorReport SystemErrorBox(platform::ErrorCode code);
