#include "platform/console.h"
#include "ui/console/commands.h"

int main(int argc, char** argv) {
  const ConsoleCommand commands[] = {kMergeCommand, kVerifyCommand, kInfoCommand, kRepairCommand};
  return RunConsoleProgram(ProgramKind::lite, commands, &kSelfExtractingStart,
                           platform::CommandLineArguments(argc, argv));
}
