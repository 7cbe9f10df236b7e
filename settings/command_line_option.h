#pragma once
// Options of the form /Name:value on the program's command line.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The arguments of a command line: blanks separate them, double quotes group blanks into one
// and are dropped.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

// The option's text, its name without the slash followed by its value ("UserDataFolder:C:\x"),
// from the first argument that begins with the pattern: the name as given when it begins with
// "/" or "-", else "/" and the name, in any letter case. Empty when none does.
std::string GetCommandLineOption(const std::vector<std::string>& arguments,
                                 std::string_view optionName);
std::string GetCommandLineOption(std::string_view commandLine, std::string_view optionName);

// The option's value: its name skipped, one pair of enclosing double quotes removed. Nothing
// when the option is absent.
std::optional<std::string> CommandLineOptionValue(const std::vector<std::string>& arguments,
                                                  std::string_view optionName);
