#pragma once
// The usage text of each console program.

#include <string>
#include <string_view>

enum class ProgramKind;

// The text --help shows, with the program named as given.
std::string UsageText(ProgramKind kind, std::string_view programName);
