#pragma once
// Runs a program of the build (from PW_BIN_DIR) as a user would from a shell, without a
// terminal: standard input from a file, standard output and error captured (with the line
// breaks of Windows programs read as "\n").

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

struct RunSetting {
  std::string input{};  // standard input
  // "NAME=value" entries added to the environment on POSIX; Windows programs take their
  // settings from the system instead.
  std::vector<std::string> environment{};
  std::string currentFolder{};  // where the program starts; the test's own when empty
};

// Runs `program` with the arguments; `captureFolder` keeps its input and output meanwhile.
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& captureFolder, const RunSetting& setting = {});
