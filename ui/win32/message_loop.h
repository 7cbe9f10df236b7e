#pragma once
// The program's message loop and the pump that a running operation calls.

#include "ui/win32/modeless_sheet.h"

// The main window whose keyboard handling (Tab, Enter, mnemonics) queued messages go through;
// null when there is none.
void SetKeyboardWindow(const ModelessSheet* sheet);

// Handles one message as the main loop does.
void DispatchQueuedMessage(MSG& message);

// Runs until the quit message; returns its exit code.
int RunMessageLoop();

// Handles every message that is waiting. Returns true when one was the quit message, which
// is then posted again so that the main loop ends too.
bool PumpWaitingMessages();
