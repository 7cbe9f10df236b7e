#include "ui/console/error_output.h"

#include <new>
#include <string>

#include "ui/console/wording.h"
#include "ui/error_report.h"

ExitStatus WriteErrorReport(const CException& error, ErrorStage stage, const LineWriter& write) {
  const ErrorReport report =
      stage == ErrorStage::startup ? ReportStartupError(error) : ReportCommandError(error, false);
  if (report.shown) write(ConsoleWording(report.text));
  return dynamic_cast<const CUserException*>(&error) != nullptr ? ExitStatus::cancelled
                                                                : ExitStatus::failed;
}

ExitStatus WriteLibraryError(const std::exception& error, const LineWriter& write) {
  if (dynamic_cast<const std::bad_alloc*>(&error) != nullptr) {
    return WriteErrorReport(CMemoryException(), ErrorStage::command, write);
  }
  write(error.what());
  return ExitStatus::failed;
}

std::string ErrorReportText(const std::exception& error) {
  std::string text;
  const LineWriter keep = [&text](std::string_view line) { text = line; };
  if (const auto* reported = dynamic_cast<const CException*>(&error)) {
    WriteErrorReport(*reported, ErrorStage::command, keep);
  } else {
    WriteLibraryError(error, keep);
  }
  return text;
}
