#pragma once
// An operation of the engine run from the console, as a page runs it under its busy scope.

#include <functional>

#include "ui/console/exit_status.h"
#include "ui/console/host.h"

// Runs the operation inside the operation scope, with Ctrl-C as Cancel and a termination
// request as the quit request. Afterwards the final timing and transfer lines stay on screen,
// a long operation beeps when asked to, and the outcome becomes the exit status. A location
// prompt or a Retry question that nobody could answer ends the operation as the failure it
// reported, on the last line.
ExitStatus RunOperation(ConsoleHost& host, bool beepWhenDone,
                        const std::function<void()>& operation);
