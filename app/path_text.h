#pragma once
// Path pieces. A stored path may come from either platform, so both "\" and "/" separate.

#include <string>
#include <string_view>

// The name-and-extension part, after the last "\" or "/".
std::string FileNamePart(std::string_view path);
// The drive and folder part with its trailing separator; empty when the path has none.
std::string FolderPart(std::string_view path);
// The extension after the last dot of the last component, without the dot; empty if none.
std::string ExtensionPart(std::string_view path);
