#pragma once
// The console front end: the same engine, checks and texts as the pages, on a terminal. Each
// program hands in the commands it has, so the lite program carries no split code.

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "settings/app_preferences.h"
#include "ui/console/arguments.h"
#include "ui/console/exit_status.h"

enum class ProgramKind { full, lite };

// What a command works with.
struct ConsoleContext {
  ProgramKind kind;
  std::string programName;  // as the usage lines name the program
  ConsoleArguments arguments;
  AppPreferences& prefs;  // loaded from the store (full program) or the defaults (lite program)
};

using CommandRunner = ExitStatus (*)(ConsoleContext& context);

struct ConsoleCommand {
  CommandShape shape;
  CommandRunner run;
};

// Reads the command line, loads the preferences and runs the command the line names, or
// `noCommand` when it names none (without one, that is a usage error). Returns the exit
// status: 0 done, 1 failed, 2 bad usage, 3 cancelled or declined.
int RunConsoleProgram(ProgramKind kind, std::span<const ConsoleCommand> commands,
                      const ConsoleCommand* noCommand, const std::vector<std::string>& arguments);

// Whether a program that has a window too was asked for a console command rather than for a
// file to open: a console option ("--yes"), a bare word or a command first, or more than one
// word.
bool WantsConsole(const std::vector<std::string>& arguments,
                  std::span<const ConsoleCommand> commands);
