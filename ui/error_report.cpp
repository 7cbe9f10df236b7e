#include "ui/error_report.h"

#include <string>

#include "base/message_format.h"
#include "engine/operation_host.h"
#include "res/resource.h"

namespace {

// The buffer the framework's report uses, in UTF-16 units with the terminator.
constexpr std::size_t kReportBufferSize = 512;

}  // namespace

ErrorReport ReportError(const CException& error, unsigned boxType, unsigned fallbackId) {
  ErrorReport report;
  if (dynamic_cast<const CUserException*>(&error) != nullptr) return report;
  if (const auto* appError = dynamic_cast<const CAppException*>(&error)) {
    // An empty application message is a silent failure.
    if (appError->message.empty()) return report;
    if (appError->messageBoxType != -1) {
      boxType = static_cast<unsigned>(appError->messageBoxType);
    }
  }
  report.shown = true;
  report.boxType = boxType;
  if (!error.GetErrorMessage(report.text, kReportBufferSize, &report.helpContext)) {
    report.helpContext = 0;
    unsigned id = fallbackId != 0 ? fallbackId : IDS_NO_ERROR_MESSAGE;
    report.text = LoadMessage(id).value_or("");
  }
  return report;
}

ErrorReport ReportStartupError(const CException& error) {
  return ReportError(error, kBoxIconExclamation, 0);
}

ErrorReport ReportCommandError(const CException& error, bool fromMenu) {
  bool outOfMemory = dynamic_cast<const CMemoryException*>(&error) != nullptr;
  unsigned boxType = outOfMemory ? kBoxIconExclamation | kBoxSystemModal : kBoxIconError;
  return ReportError(error, boxType, fromMenu ? IDS_COMMAND_FAILED : IDS_INTERNAL_ERROR);
}

ErrorReport SystemErrorBox(platform::ErrorCode code) {
  ErrorReport report;
  if (code == 0) return report;
  report.shown = true;
  report.boxType = kBoxIconExclamation;
  report.text = LoadMessage(IDS_SYSTEM_ERROR,
                            {std::to_string(code), platform::SystemErrorText(code).value_or("")})
                    .value_or("");
  return report;
}
