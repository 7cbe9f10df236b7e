#pragma once
// The pickers behind the browse buttons: the open-file dialog for an edit box, and the shell's
// folder browser.

#include <string>

#include "ui/win32/windows_ui.h"

// Shows the open-file dialog for the path in edit control `controlId` of `owner`, starting in
// that path's folder with the file preselected; on OK writes the chosen path into the control.
// `filter` is in the pipe-separated form ("Text (*.txt)|*.txt||"). Returns IDOK or IDCANCEL.
// A missing control is an invalid-argument error.
int PickFileForEdit(int controlId, const std::string& filter, HWND owner);

// Shows the save-file dialog in the folder of `suggested`, with its name filled in; a name typed
// without an extension gets `.txt`, and replacing a file is asked first. On OK `chosen` is the
// path and the result is true.
bool PickFileToSave(HWND owner, const std::string& filter, const std::string& suggested,
                    std::string& chosen);

// Shows the shell's folder browser, titled `title` when given, at `initialFolder` when given.
// On OK `folder` is the chosen folder with a trailing separator and the result is true.
bool PickFolder(HWND owner, const std::string& title, const std::string& initialFolder,
                std::string& folder);

// The folder browser while it is open (the help command leaves it alone), else null.
HWND OpenFolderBrowser();
