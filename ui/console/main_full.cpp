#include "platform/console.h"
#include "ui/console/console_app.h"

int main(int argc, char** argv) {
  return RunConsoleProgram(ProgramKind::full, platform::CommandLineArguments(argc, argv));
}
