#include "settings/command_line_option.h"

#include "platform/plain_text.h"

std::vector<std::string> SplitCommandLine(std::string_view commandLine) {
  std::vector<std::string> arguments;
  std::string current;
  bool inArgument = false;
  bool quoted = false;
  for (char c : commandLine) {
    if (c == '"') {
      quoted = !quoted;
      inArgument = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (inArgument) arguments.push_back(std::move(current));
      current.clear();
      inArgument = false;
    } else {
      current += c;
      inArgument = true;
    }
  }
  if (inArgument) arguments.push_back(std::move(current));
  return arguments;
}

std::string GetCommandLineOption(const std::vector<std::string>& arguments,
                                 std::string_view optionName) {
  if (optionName.empty()) return {};
  bool hasLead = optionName[0] == '/' || optionName[0] == '-';
  std::string pattern = (hasLead ? "" : "/") + std::string(optionName);
  for (const std::string& argument : arguments) {
    if (platform::StartsIgnoringCase(argument, pattern)) return argument.substr(1);
  }
  return {};
}

std::string GetCommandLineOption(std::string_view commandLine, std::string_view optionName) {
  return GetCommandLineOption(SplitCommandLine(commandLine), optionName);
}

std::optional<std::string> CommandLineOptionValue(const std::vector<std::string>& arguments,
                                                  std::string_view optionName) {
  std::string option = GetCommandLineOption(arguments, optionName);
  if (option.empty()) return std::nullopt;
  std::string_view name = optionName;
  if (name[0] == '/' || name[0] == '-') name.remove_prefix(1);
  std::string value = option.substr(name.size());
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}
