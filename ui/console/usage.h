#pragma once
// The usage and version texts of each console program.

#include <string>
#include <string_view>

enum class ProgramKind;

// The text --help shows, with the program named as given.
std::string UsageText(ProgramKind kind, std::string_view programName);

// The text --version shows: the program, its version and build, and the licence line, from the
// version data the program file carries.
std::string VersionText(std::string_view programName);
