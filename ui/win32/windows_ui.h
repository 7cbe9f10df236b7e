#pragma once
// The window programs' view of Windows: the system header with the common controls, the shell
// and the dialogs that the windows use.

#include "platform/win32/windows_support.h"

#include <commctrl.h>
#include <commdlg.h>
#include <richedit.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>
#include <string_view>

// UTF-8 and the system's UTF-16, at the boundary of every window call.
using platform::Narrow;
using platform::Widen;
