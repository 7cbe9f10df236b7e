#pragma once
// Which system a self-extracting master can be run on: named from its stub's program header,
// and compared with the system of the running program.

#include <optional>
#include <string>

// "Windows x86-64", "Linux x86-64"... for a master that begins with a program; nothing for a
// master without a stub. Raises the file errors of opening and reading the master.
std::optional<std::string> MasterStubSystem(const std::string& masterPath);

// The running program's system, named the same way from its own file; nothing when that file
// cannot be read.
std::optional<std::string> RunningProgramSystem();
