#include "platform/console.h"
#include "ui/console/commands.h"
#include "ui/win32/help_dialog.h"
#include "ui/win32/lite_info_page.h"
#include "ui/win32/window_app.h"

// The lite program's window; the same program runs the console commands for a user who types
// one, so that a package can be merged from a script too.
int main(int argc, char** argv) {
  const std::vector<std::string> arguments = platform::CommandLineArguments(argc, argv);
  const ConsoleCommand commands[] = {kMergeCommand, kVerifyCommand, kInfoCommand, kRepairCommand};
  if (WantsConsole(arguments, commands)) {
    platform::UseParentConsole();
    return RunConsoleProgram(ProgramKind::lite, commands, &kSelfExtractingStart, arguments);
  }
  WindowProgram program{ProgramKind::lite,
                        [](AppPreferences&) -> std::unique_ptr<PropertyPage> {
                          return std::make_unique<LiteInfoPage>();
                        },
                        [](HWND owner) { ShowHelpDialog(owner, kLiteHelpDocument); }};
  return RunWindowProgram(std::move(program), arguments);
}
