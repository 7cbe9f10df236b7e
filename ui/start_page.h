#pragma once
// Which page the window opens on, from the command line.

#include <string>
#include <vector>

// The file the command line names: the first argument that is no flag (a flag begins with a
// slash or a hyphen); empty when there is none.
std::string CommandLineFile(const std::vector<std::string>& arguments);

// The Merge page (1) for a master split file (".fsm", in any case), the Split page (0) for
// any other file; the stored page when no file is named.
int StartPageFor(const std::string& commandLineFile, int storedPage);
