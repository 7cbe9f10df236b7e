#pragma once
// The user's documents folder, the default destination of split and merged files.

#include <string>

namespace platform {

// The shell's documents folder (SHGetFolderPathW, CSIDL_PERSONAL) on Windows; on POSIX the
// XDG documents folder when one is set (XDG_DOCUMENTS_DIR, or user-dirs.dirs) and exists,
// else $HOME. Empty when there is none.
std::string DocumentsFolder();

}  // namespace platform
