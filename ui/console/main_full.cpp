#include "platform/console.h"
#include "ui/console/commands.h"

int main(int argc, char** argv) {
  const ConsoleCommand commands[] = {kSplitCommand,    kPlanCommand, kMergeCommand,
                                     kVerifyCommand,   kInfoCommand, kRepairCommand,
                                     kSettingsCommand, kSizesCommand};
  return RunConsoleProgram(ProgramKind::full, commands, nullptr,
                           platform::CommandLineArguments(argc, argv));
}
