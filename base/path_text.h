#pragma once
// Path pieces. A stored path may come from either platform, so both "\" and "/" separate.

#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

// The name-and-extension part, after the last "\" or "/".
std::string FileNamePart(std::string_view path);
// The drive and folder part with its trailing separator; empty when the path has none.
std::string FolderPart(std::string_view path);
// Adds the folder to the list of folders to search unless it is there already.
void AddSearchFolder(std::vector<std::string>& folders, const std::string& folder);
// The extension after the last dot of the last component, without the dot; empty if none.
std::string ExtensionPart(std::string_view path);

// Whether a file-name part may be created as a file of its own in a folder. Windows: no
// device name (CON, PRN, AUX, NUL, COM0-9, LPT0-9..., with or without an extension, any
// case), none of < > : " / \ | ? * or control characters (":" would open an alternate data
// stream), no dot or blank at the end (Windows drops them). POSIX: no "/" or NUL character.
// Neither: empty, "." or "..".
bool IsValidFileName(std::string_view name, platform::PathStyle style = platform::kNativePathStyle);
