// The manual pages and the programs' own --help tell of the same options.

#include "ui/console/usage.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "platform/files.h"
#include "ui/console/app.h"

namespace {

// Every long and short option a text names ("--dest", "-d"); roff's "\-" is a plain dash.
std::set<std::string> OptionsNamed(std::string text) {
  text = std::regex_replace(text, std::regex(R"(\\-)"), "-");
  text = std::regex_replace(text, std::regex(R"(\\f[BIRP])"), "");
  std::set<std::string> options;
  const std::regex option(R"((^|[\s\[|,(])(--?[A-Za-z][A-Za-z-]*))");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), option);
       it != std::sregex_iterator(); ++it) {
    options.insert((*it)[2]);
  }
  return options;
}

std::string ManualPage(const std::string& name) {
  std::ifstream file(std::string(PW_SOURCE_DIR) + "/res/man/" + name);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

TEST(ConsoleUsage, ManualPagesAndHelpNameTheSameOptions) {
  const struct {
    ProgramKind kind;
    std::string page;
  } programs[] = {{ProgramKind::full, "partwell.1"}, {ProgramKind::lite, "PartwellLite.1"}};
  for (const auto& program : programs) {
    const std::set<std::string> help = OptionsNamed(UsageText(program.kind, "p"));
    const std::string page = ManualPage(program.page);
    if (page.empty() && platform::kNativePathStyle == platform::PathStyle::windows) {
      GTEST_SKIP() << "the source folder is not reachable from here";
    }
    const std::set<std::string> manual = OptionsNamed(page);
    EXPECT_FALSE(help.empty());
    EXPECT_EQ(help, manual) << program.page;
  }
}

}  // namespace
