#include "platform/console.h"
#include "ui/console/console_commands.h"

int main(int argc, char** argv) {
  return RunConsoleProgram(ProgramKind::lite, {}, nullptr,
                           platform::CommandLineArguments(argc, argv));
}
