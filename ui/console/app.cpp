#include "ui/console/app.h"

#include <algorithm>
#include <exception>

#include "base/path_text.h"
#include "platform/console.h"
#include "platform/plain_text.h"
#include "platform/system_info.h"
#include "res/string_table.h"
#include "ui/console/error_output.h"
#include "ui/console/message.h"
#include "ui/console/preferences.h"
#include "ui/console/usage.h"

namespace {

// The running program's file name, as the user typed it to start it; the title when that
// cannot be had.
std::string ProgramName(std::string_view title) {
  std::string path;
  if (platform::ModuleFilePath(path) != 0) return std::string(title);
  std::string name = FileNamePart(path);
  if (platform::EqualIgnoringCase(ExtensionPart(name), "exe")) name.resize(name.size() - 4);
  return name;
}

ExitStatus WriteUsageError(std::string_view programName, const UsageError& error) {
  WriteMessage(programName, error.what());
  platform::WriteToStandardError("Try '" + std::string(programName) + " --help'.\n");
  return ExitStatus::badUsage;
}

const ConsoleCommand& ChosenCommand(const ConsoleArguments& arguments,
                                    std::span<const ConsoleCommand> commands,
                                    const ConsoleCommand* noCommand) {
  const ConsoleCommand* chosen = noCommand;
  if (!arguments.command.empty()) {
    const auto found = std::ranges::find_if(commands, [&arguments](const ConsoleCommand& command) {
      return command.shape.name == arguments.command;
    });
    if (found == commands.end()) throw UsageError("unknown command " + arguments.command);
    chosen = &*found;
  }
  if (chosen == nullptr) throw UsageError("no command given");
  CheckCommandShape(arguments, chosen->shape);
  return *chosen;
}

ExitStatus RunCommand(ProgramKind kind, const std::string& programName,
                      const ConsoleArguments& arguments, const ConsoleCommand& command,
                      const std::vector<std::string>& rawArguments) {
  const LineWriter writeMessage = [&programName](std::string_view text) {
    WriteMessage(programName, text);
  };
  AppPreferences prefs(kind == ProgramKind::full ? SettingsKey::Root::currentUser
                                                 : SettingsKey::Root::none);
  try {
    LoadConsolePreferences(kind, rawArguments, prefs);
  } catch (const CException& error) {
    return WriteErrorReport(error, ErrorStage::startup, writeMessage);
  }
  if (const std::optional<std::string> warning = SettingsStoreWarning(prefs)) {
    writeMessage(*warning);
  }
  ConsoleContext context{kind, programName, arguments, prefs};
  try {
    return command.run(context);
  } catch (const UsageError&) {
    throw;
  } catch (const CException& error) {
    return WriteErrorReport(error, ErrorStage::command, writeMessage);
  } catch (const std::exception& error) {
    return WriteLibraryError(error, writeMessage);
  }
}

}  // namespace

int RunConsoleProgram(ProgramKind kind, std::span<const ConsoleCommand> commands,
                      const ConsoleCommand* noCommand, const std::vector<std::string>& arguments) {
  SetApplicationTitle(kind == ProgramKind::full ? "Partwell" : "PartwellLite");
  const std::string programName = ProgramName(StringTableText(IDS_APP_TITLE).value_or(""));
  try {
    const ConsoleArguments parsed = ParseConsoleArguments(arguments);
    if (parsed.help || parsed.command == "help") {
      platform::WriteToStandardOutput(UsageText(kind, programName));
      return ExitCode(ExitStatus::done);
    }
    if (parsed.version) {
      platform::WriteToStandardOutput(VersionText(programName));
      return ExitCode(ExitStatus::done);
    }
    const ConsoleCommand& command = ChosenCommand(parsed, commands, noCommand);
    return ExitCode(RunCommand(kind, programName, parsed, command, arguments));
  } catch (const UsageError& error) {
    return ExitCode(WriteUsageError(programName, error));
  }
}

bool WantsConsole(const std::vector<std::string>& arguments,
                  std::span<const ConsoleCommand> commands) {
  // The window's own options ("/UserDataFolder:...") start with a slash.
  std::vector<std::string> words;
  for (const std::string& argument : arguments) {
    if (argument.starts_with("--")) return argument.size() > 2;
    if (!argument.starts_with("/")) words.push_back(argument);
  }
  if (words.empty()) return false;
  const std::string& first = words.front();
  // A file to open has a folder or an extension; a bare word is a command, even one this
  // program does not know, and a window opens one file only.
  return words.size() > 1 || first == "-h" || first.find_first_of(".\\/:") == std::string::npos ||
         std::ranges::any_of(commands, [&first](const ConsoleCommand& command) {
           return command.shape.name == first;
         });
}
