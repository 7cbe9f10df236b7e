#include "ui/console/terminal.h"

#include "platform/clock.h"
#include "platform/termination.h"

namespace {

bool TakeInterrupt() {
  if (!platform::CancelRequested()) return false;
  platform::ClearCancelRequest();
  return true;
}

}  // namespace

ConsoleTerminal SystemTerminal() {
  const bool errorIsTerminal = platform::StandardErrorIsTerminal();
  ConsoleTerminal terminal;
  terminal.interactive = errorIsTerminal && platform::StandardInputIsTerminal();
  terminal.liveProgress = errorIsTerminal;
  terminal.width = platform::TerminalWidth();
  terminal.write = platform::WriteToStandardError;
  terminal.readLine = platform::ReadStandardInputLine;
  terminal.takeInterrupt = TakeInterrupt;
  terminal.quitRequested = platform::TerminationRequested;
  terminal.tickCount = platform::TickCount64;
  return terminal;
}
