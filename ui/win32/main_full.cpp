#include "platform/console.h"
#include "ui/console/commands.h"
#include "ui/win32/html_help.h"
#include "ui/win32/split_page.h"
#include "ui/win32/window_app.h"

// The full program's window; a console command typed after its name runs as in partwell-cli.
int main(int argc, char** argv) {
  const std::vector<std::string> arguments = platform::CommandLineArguments(argc, argv);
  const ConsoleCommand commands[] = {kSplitCommand,    kPlanCommand, kMergeCommand,
                                     kVerifyCommand,   kInfoCommand, kRepairCommand,
                                     kSettingsCommand, kSizesCommand};
  if (WantsConsole(arguments, commands)) {
    platform::UseParentConsole();
    return RunConsoleProgram(ProgramKind::full, commands, nullptr, arguments);
  }
  WindowProgram program{ProgramKind::full,
                        [](AppPreferences& prefs) -> std::unique_ptr<PropertyPage> {
                          return std::make_unique<SplitPage>(prefs);
                        },
                        [](HWND owner) { ShowHtmlHelp(owner, ProgramHelpFile()); }};
  return RunWindowProgram(std::move(program), arguments);
}
