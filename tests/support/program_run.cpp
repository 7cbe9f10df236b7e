#include "tests/support/program_run.h"

#include "tests/support/scratch_folder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string_view>

namespace {

// One argument for the shell that runs the command: single quotes for sh; double quotes for
// cmd.exe, whose programs split their command line themselves.
std::string Quoted(std::string_view text) {
  if (ProgramsAreWindowsPrograms()) return "\"" + std::string(text) + "\"";
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// system() gives the exit code itself on Windows and the wait status on POSIX.
int ExitStatusOf(int result) {
  if (ProgramsAreWindowsPrograms()) return result;
  if (result == -1 || (result & 0x7F) != 0) return -1;
  return (result >> 8) & 0xFF;
}

// Windows programs write their standard streams as text, a line ending in "\r\n"; the lines
// are compared as they read.
std::string CapturedText(std::string text) {
  if (!ProgramsAreWindowsPrograms()) return text;
  for (std::size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos;) text.erase(at, 1);
  return text;
}

}  // namespace

bool ProgramsAreWindowsPrograms() { return std::string_view(PW_EXE_SUFFIX) == ".exe"; }

std::string BuiltProgramPath(const std::string& name) {
  // Joined as the build gives the folder: under Wine a path of the Linux side with one kind of
  // separator still names the file.
  return std::string(PW_BIN_DIR) + "/" + name + PW_EXE_SUFFIX;
}

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& captureFolder, const RunSetting& setting) {
  const std::filesystem::path folder(captureFolder);
  const std::filesystem::path in = folder / "run.in", out = folder / "run.out",
                              err = folder / "run.err";
  std::ofstream(in, std::ios::binary) << setting.input;
  std::string command;
  if (!setting.currentFolder.empty()) {
    command +=
        (ProgramsAreWindowsPrograms() ? "cd /d " : "cd ") + Quoted(setting.currentFolder) + " && ";
  }
  if (!ProgramsAreWindowsPrograms()) {
    for (const std::string& entry : setting.environment) {
      const std::size_t equals = entry.find('=');
      command += entry.substr(0, equals + 1) + Quoted(entry.substr(equals + 1)) + " ";
    }
  }
  command += Quoted(program);
  for (const std::string& argument : arguments) command += " " + Quoted(argument);
  command +=
      " <" + Quoted(in.string()) + " >" + Quoted(out.string()) + " 2>" + Quoted(err.string());
  // cmd.exe drops the first and the last quote of a command line that begins with one.
  if (ProgramsAreWindowsPrograms()) command = "\"" + command + "\"";
  ProgramRun run;
  run.status = ExitStatusOf(std::system(command.c_str()));
  run.out = CapturedText(ReadWholeFile(out));
  run.err = CapturedText(ReadWholeFile(err));
  std::error_code ignored;
  for (const auto& file : {in, out, err}) std::filesystem::remove(file, ignored);
  return run;
}
