// Options of the /Name:value form on the command line, as the preferences take the user data
// folder and file from them. The text before the first null is the option's name (the two
// user data options when there is none), the rest the command line.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "settings/command_line_option.h"
#include "ui/console/arguments.h"

namespace {

void CheckOption(const std::string& commandLine, const std::vector<std::string>& arguments,
                 std::string_view name) {
  const std::string option = GetCommandLineOption(arguments, name);
  if (GetCommandLineOption(commandLine, name) != option) __builtin_trap();
  const std::optional<std::string> value = CommandLineOptionValue(arguments, name);
  if (value.has_value() != !option.empty()) __builtin_trap();
  if (value && value->size() > option.size()) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t null = input.find('\0');
  const std::string commandLine(null == std::string_view::npos ? input : input.substr(null + 1));
  const std::vector<std::string> arguments = SplitCommandLine(commandLine);
  if (null != std::string_view::npos) {
    CheckOption(commandLine, arguments, input.substr(0, null));
    return 0;
  }
  CheckOption(commandLine, arguments, "UserDataFolder:");
  CheckOption(commandLine, arguments, "/UserDataFilePath:");
  // The console leaves out exactly the arguments that the preferences read.
  for (const std::string& argument : arguments) {
    const std::vector<std::string> alone = {argument};
    const bool read = !GetCommandLineOption(alone, "UserDataFolder:").empty() ||
                      !GetCommandLineOption(alone, "UserDataFilePath:").empty();
    if (IsUserDataOption(argument) != read) __builtin_trap();
  }
  return 0;
}
