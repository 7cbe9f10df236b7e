#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/console.h"
#include "tests/support/scratch_folder.h"

namespace {

using platform::LineReadResult;

bool OnWindows() { return std::string_view(PW_EXE_SUFFIX) == ".exe"; }

// Standard input reads from a file for the scope, and from the null device afterwards.
class InputFromFile {
 public:
  explicit InputFromFile(const std::string& path) {
    EXPECT_NE(std::freopen(path.c_str(), "rb", stdin), nullptr);
  }
  ~InputFromFile() { std::freopen(OnWindows() ? "NUL" : "/dev/null", "rb", stdin); }
};

std::vector<std::pair<LineReadResult, std::string>> ReadAllLines() {
  std::vector<std::pair<LineReadResult, std::string>> lines;
  for (;;) {
    std::string line = "stale";
    LineReadResult result = platform::ReadStandardInputLine(line);
    lines.emplace_back(result, line);
    if (result != LineReadResult::line || lines.size() > 10) return lines;
  }
}

TEST(ConsolePlatform, AnswersAreReadLineByLineFromRedirectedInput) {
  ScratchFolder folder;
  const std::string text = "yes\r\n\n  no  \nlast";
  InputFromFile input(folder.Write("answers.txt", text.data(), text.size()));
  EXPECT_FALSE(platform::StandardInputIsTerminal());
  std::vector<std::pair<LineReadResult, std::string>> expected = {
      {LineReadResult::line, "yes"},    {LineReadResult::line, ""},
      {LineReadResult::line, "  no  "}, {LineReadResult::line, "last"},
      {LineReadResult::closed, ""},
  };
  EXPECT_EQ(ReadAllLines(), expected);
}

TEST(ConsolePlatform, CtrlCRequestsCancellationInsteadOfEndingTheProgram) {
  if (OnWindows()) GTEST_SKIP() << "Windows delivers Ctrl-C as a console event, not a signal";
  platform::InstallInterruptHandler();
  platform::ClearCancelRequest();
  EXPECT_FALSE(platform::CancelRequested());
  std::raise(SIGINT);
  EXPECT_TRUE(platform::CancelRequested());

  // A Ctrl-C from before a read does not end the read.
  ScratchFolder folder;
  InputFromFile input(folder.Write("answer.txt", "y\n", 2));
  std::raise(SIGINT);
  std::string line;
  EXPECT_EQ(platform::ReadStandardInputLine(line), LineReadResult::line);
  EXPECT_EQ(line, "y");
  EXPECT_TRUE(platform::CancelRequested());

  platform::ClearCancelRequest();
  EXPECT_FALSE(platform::CancelRequested());
  std::signal(SIGINT, SIG_DFL);
}

}  // namespace
