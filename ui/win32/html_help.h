#pragma once
// Partwell's compiled HTML help, shown by the system's help viewer.

#include <string>

#include "platform/win32/windows_support.h"

// The help file of the running program: beside it, its name with the extension ".CHM".
std::string ProgramHelpFile();

// Opens the help file at its default topic, or brings its open window to the front, and
// returns the viewer's window. Raises the system error when the viewer or the file is missing.
HWND ShowHtmlHelp(HWND owner, const std::string& helpFile);

// Closes every help window this program opened (at exit: the viewer runs in this process).
void CloseHtmlHelp();
