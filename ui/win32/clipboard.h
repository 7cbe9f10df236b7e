#pragma once
// Text put on the clipboard, as every program can paste it.

#include <string>

#include "ui/win32/windows_ui.h"

// The clipboard holds `text` (UTF-8, its line feeds written as "\r\n") and nothing else; false
// when another program holds the clipboard open or there is no memory for it.
bool PutTextOnClipboard(HWND owner, const std::string& text);
