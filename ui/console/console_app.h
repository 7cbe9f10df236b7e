#pragma once
// The console front end: the same engine, checks and texts as the pages, on a terminal.

#include <string>
#include <vector>

enum class ProgramKind { full, lite };

// Exit status: 0 done, 1 failed, 2 bad usage, 3 cancelled or declined.
int RunConsoleProgram(ProgramKind kind, const std::vector<std::string>& args);
