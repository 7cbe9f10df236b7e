#pragma once
// Paths from the command line that name the other kind of thing: the checks shared with the
// window would say "not found", which misleads when the thing is there.

#include <string>

// Raises the error "PATH is a folder, not a file." when the path names a folder.
void RefuseFolderAsFile(const std::string& path);

// Raises the error "PATH is a file, not a folder." when the path names a file.
void RefuseFileAsFolder(const std::string& path);
