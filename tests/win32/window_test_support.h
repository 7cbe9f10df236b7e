#pragma once
// Helpers of the window tests: pending messages handled, texts and states read back.

#include <functional>
#include <string>

#include "platform/win32/windows_support.h"

namespace test {

// Handles every message that is waiting, for a short while, so that what a message started
// has finished before a check.
void FlushMessages(int milliseconds = 50);

// The window's text, in UTF-8.
std::string WindowText(HWND window);
std::string ItemText(HWND dialog, int id);

// Runs `action` from the message loop of the modal window that `show` opens, then returns
// what `show` returned (the action must close the window).
INT_PTR WhileModal(const std::function<INT_PTR()>& show, std::function<void()> action);

}  // namespace test
