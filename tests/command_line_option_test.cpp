#include "settings/command_line_option.h"

#include <gtest/gtest.h>

namespace {

using Arguments = std::vector<std::string>;

TEST(SplitCommandLine, BlanksSeparateAndQuotesGroup) {
  EXPECT_EQ(SplitCommandLine(""), Arguments{});
  EXPECT_EQ(SplitCommandLine("  a  b\tc "), (Arguments{"a", "b", "c"}));
  EXPECT_EQ(SplitCommandLine("\"C:\\Program Files\\Partwell.exe\" x.fsm"),
            (Arguments{"C:\\Program Files\\Partwell.exe", "x.fsm"}));
  EXPECT_EQ(SplitCommandLine("/UserDataFolder:\"C:\\My Data\" next"),
            (Arguments{"/UserDataFolder:C:\\My Data", "next"}));
  EXPECT_EQ(SplitCommandLine("\"\" \"open"), (Arguments{"", "open"}));
}

TEST(CommandLineOption, FormsOfTheOptionAndWhereItsValueEnds) {
  struct Case {
    const char* commandLine;
    const char* option;  // as GetCommandLineOption gives it
    const char* value;   // nullptr: absent
  };
  const Case cases[] = {
      {"Partwell.exe /UserDataFolder:\"C:\\My Data\"", "UserDataFolder:C:\\My Data", "C:\\My Data"},
      {"Partwell.exe /userdatafolder:C:\\x", "userdatafolder:C:\\x", "C:\\x"},
      {"Partwell.exe \"/USERDATAFOLDER:C:\\My Data\"", "USERDATAFOLDER:C:\\My Data", "C:\\My Data"},
      // A quoted file after an unquoted value is an argument of its own.
      {"Partwell.exe /UserDataFolder:C:\\x \"D:\\my package.fsm\"", "UserDataFolder:C:\\x",
       "C:\\x"},
      {"Partwell.exe \"D:\\my package.fsm\" /UserDataFolder:C:\\x", "UserDataFolder:C:\\x",
       "C:\\x"},
      {"Partwell.exe /UserDataFolder:C:\\My Data", "UserDataFolder:C:\\My", "C:\\My"},
      {"Partwell.exe /UserDataFolder:a /UserDataFolder:b", "UserDataFolder:a", "a"},
      {"Partwell.exe /UserDataFolder:", "UserDataFolder:", ""},
      {"Partwell.exe -UserDataFolder:C:\\x", "", nullptr},
      {"Partwell.exe /UserDataFolders:C:\\x", "", nullptr},
      {"Partwell.exe C:\\dir/UserDataFolder:x", "", nullptr},
      {"Partwell.exe", "", nullptr},
      {"", "", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.commandLine);
    EXPECT_EQ(GetCommandLineOption(c.commandLine, "UserDataFolder:"), c.option);
    std::optional<std::string> value =
        CommandLineOptionValue(SplitCommandLine(c.commandLine), "UserDataFolder:");
    EXPECT_EQ(value.value_or("(absent)"), c.value ? c.value : "(absent)");
  }
}

TEST(CommandLineOption, NameMayCarryItsOwnLeadAndIsRequired) {
  EXPECT_EQ(GetCommandLineOption("p -UserDataFilePath:a.ini", "-UserDataFilePath:"),
            "UserDataFilePath:a.ini");
  EXPECT_EQ(*CommandLineOptionValue({"-UserDataFilePath:a.ini"}, "-UserDataFilePath:"), "a.ini");
  EXPECT_EQ(GetCommandLineOption("p /UserDataFilePath:a.ini", ""), "");
  EXPECT_EQ(GetCommandLineOption("p /UserDataFilePath:a.ini", "UserDataFolder:"), "");
}

// Arguments as a POSIX shell hands them over may still hold the quotes typed inside them.
TEST(CommandLineOption, OnePairOfEnclosingQuotesIsRemovedFromTheValue) {
  EXPECT_EQ(*CommandLineOptionValue({"/UserDataFolder:\"/my data\""}, "UserDataFolder:"),
            "/my data");
  EXPECT_EQ(*CommandLineOptionValue({"/UserDataFolder:\"\"x\"\""}, "UserDataFolder:"), "\"x\"");
  EXPECT_EQ(*CommandLineOptionValue({"/UserDataFolder:\""}, "UserDataFolder:"), "\"");
  EXPECT_EQ(*CommandLineOptionValue({"/UserDataFolder:\"open"}, "UserDataFolder:"), "\"open");
}

}  // namespace
