#include "ui/console/operation_run.h"

#include <exception>

#include "engine/operation_state.h"
#include "platform/console.h"
#include "ui/beep_rule.h"
#include "ui/console/error_output.h"
#include "ui/console/termination_request.h"

namespace {

void ShowFinalLinesAfterData(ConsoleHost& host) {
  if (ProcessOperationState().BytesDone != 0) host.ShowFinalLines();
}

void BeepIfLong(ConsoleHost& host) {
  if (ShouldBeep(ProcessOperationState(), true, host.TickCount())) host.Beep();
}

}  // namespace

ExitStatus RunOperation(ConsoleHost& host, bool beepWhenDone,
                        const std::function<void()>& operation) {
  platform::InstallInterruptHandler();
  WatchTerminationRequest();
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
    EndIfTerminationRequested();
    ShowFinalLinesAfterData(host);
    if (!host.UnansweredPrompt()) return ExitStatus::cancelled;
    host.WriteLine(*host.UnansweredPrompt());
    return ExitStatus::failed;
  } catch (const CException& error) {
    ShowFinalLinesAfterData(host);
    return WriteErrorReport(error, ErrorStage::command, writeLine);
  } catch (const std::exception& error) {
    ShowFinalLinesAfterData(host);
    return WriteLibraryError(error, writeLine);
  }
}
