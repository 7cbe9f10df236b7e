#include "ui/console/operation_run.h"

#include <exception>

#include "engine/operation_state.h"
#include "platform/console.h"
#include "platform/termination.h"
#include "ui/beep_rule.h"
#include "ui/console/error_output.h"

namespace {

void ShowFinalLinesAfterData(ConsoleHost& host) {
  if (ProcessOperationState().bytesDone != 0) host.ShowFinalLines();
}

void BeepIfLong(ConsoleHost& host) {
  if (ShouldBeep(ProcessOperationState(), true, host.TickCount())) host.Beep();
}

}  // namespace

ExitStatus RunOperation(ConsoleHost& host, bool beepWhenDone,
                        const std::function<void()>& operation) {
  platform::InstallInterruptHandler();
  platform::WatchTerminationRequests();
  const LineWriter writeLine = [&host](std::string_view line) { host.WriteLine(line); };
  try {
    {
      OperationScope scope(host);
      operation();
    }
    host.ShowFinalLines();
    if (beepWhenDone) BeepIfLong(host);
    return ExitStatus::done;
  } catch (const CUserException&) {
    platform::EndIfTerminationRequested();
    ShowFinalLinesAfterData(host);
    if (!host.UnansweredPrompt()) return ExitStatus::cancelled;
    host.WriteLine(*host.UnansweredPrompt());
    return ExitStatus::failed;
  } catch (const CException& error) {
    // The engine has removed its partial output; a failure that the request to end caused
    // (a call it interrupted) is no failure to report.
    platform::EndIfTerminationRequested();
    ShowFinalLinesAfterData(host);
    return WriteErrorReport(error, ErrorStage::command, writeLine);
  } catch (const std::exception& error) {
    platform::EndIfTerminationRequested();
    ShowFinalLinesAfterData(host);
    return WriteLibraryError(error, writeLine);
  }
}
