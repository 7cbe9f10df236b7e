#include "ui/console/console_app.h"

#include <cstdio>

#include "res/string_table.h"

int RunConsoleProgram(ProgramKind kind, const std::vector<std::string>& args) {
  SetApplicationTitle(kind == ProgramKind::full ? "Partwell" : "PartwellLite");
  (void)args;
  std::fprintf(stderr, "%s: not built yet\n", StringTableText(IDS_APP_TITLE)->c_str());
  return 2;
}
