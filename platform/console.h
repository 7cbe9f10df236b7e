#pragma once
// The terminal the console front end talks to.

#include <string>
#include <vector>

namespace platform {

// The arguments after the program name, in UTF-8 (from the wide command line on Windows).
std::vector<std::string> CommandLineArguments(int argc, char** argv);

}  // namespace platform
