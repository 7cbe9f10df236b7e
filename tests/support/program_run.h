#pragma once
// Runs a program of the build (from PW_BIN_DIR) as a user would from a shell, without a
// terminal: standard input from a file, standard output and error captured.

#include <string>
#include <vector>

struct ProgramRun {
  int status = -1;  // the exit status; -1 when the program did not end by itself
  std::string out;
  std::string err;
};

// Whether the programs are Windows programs (run under Wine on Linux).
bool ProgramsAreWindowsPrograms();

// The path of a program of the build: "partwell", "PartwellLite"... with the platform's suffix.
std::string BuiltProgramPath(const std::string& name);

// Runs `program` with the arguments, `input` as its standard input, in `workFolder` (where the
// captured output is kept meanwhile). On POSIX the environment is extended by `environment`
// ("NAME=value" entries); Windows programs take their settings from the system instead.
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& workFolder, const std::string& input = {},
                      const std::vector<std::string>& environment = {});
