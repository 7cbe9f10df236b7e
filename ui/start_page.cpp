#include "ui/start_page.h"

#include "base/path_text.h"
#include "platform/plain_text.h"

std::string CommandLineFile(const std::vector<std::string>& arguments) {
  for (const std::string& argument : arguments) {
    if (!argument.empty() && argument[0] != '/' && argument[0] != '-') return argument;
  }
  return {};
}

int StartPageFor(const std::string& commandLineFile, int storedPage) {
  if (commandLineFile.empty()) return storedPage;
  return platform::EqualIgnoringCase(ExtensionPart(commandLineFile), "fsm") ? 1 : 0;
}
