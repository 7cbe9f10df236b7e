#include "ui/console/host.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <utility>

#include "base/message_format.h"
#include "engine/operation_host.h"
#include "engine/operation_state.h"
#include "res/resource.h"
#include "tests/support/locale_scope.h"
#include "ui/console/progress_line.h"

namespace {

using platform::LineReadResult;

// A terminal that keeps what is written and answers from a script.
struct ScriptedTerminal {
  std::string output;
  std::deque<std::pair<LineReadResult, std::string>> lines;
  int interrupts = 0;  // Ctrl-C presses waiting to be taken
  bool quit = false;
  std::uint64_t now = 5'000;

  ConsoleTerminal Make(bool interactive, bool live) {
    ConsoleTerminal terminal;
    terminal.interactive = interactive;
    terminal.liveProgress = live;
    terminal.width = 80;
    terminal.write = [this](std::string_view text) { output += text; };
    terminal.readLine = [this](std::string& line) {
      if (lines.empty()) return LineReadResult::closed;
      auto [result, text] = lines.front();
      lines.pop_front();
      line = text;
      output += text + "\n";  // the echo of what was typed
      return result;
    };
    terminal.takeInterrupt = [this] { return interrupts > 0 && interrupts-- > 0; };
    terminal.quitRequested = [this] { return quit; };
    terminal.tickCount = [this] { return now; };
    return terminal;
  }
  std::string Take() { return std::exchange(output, {}); }
};

std::string CancelQuestion() { return LoadMessage(IDS_CONFIRM_CANCEL).value_or("?"); }

class ConsoleHostTest : public ::testing::Test {
 protected:
  void SetUp() override { ProcessOperationState() = OperationState{}; }
  void TearDown() override { ProcessOperationState() = OperationState{}; }
  test::LocaleScope locale_{test::Locale::english};
};

TEST_F(ConsoleHostTest, WithoutTerminalWritesStatusLinesAndOnlyTheFinalTimes) {
  ScriptedTerminal terminal;
  ConsoleHost host(terminal.Make(false, false), "pw", PresetAnswer::none);
  host.SetStatusText("Creating a_00000.fsm...");
  host.SetStatusText("");
  host.SetProgress(40);
  host.SetCaption("Partwell - (40%)");
  host.SetTimingLine("Time ellapsed: 00:00:01 - Remaining: 00:00:02");
  host.SetTransferLine("Data processed: 1 KB @ 1 KB/sec");
  host.SetProgress(100);
  host.SetTimingLine("Time ellapsed: 00:00:03");
  host.SetTransferLine("Data processed: 3 KB @ 1 KB/sec");
  EXPECT_EQ(terminal.Take(), "pw: Creating a_00000.fsm...\n");
  EXPECT_EQ(host.Caption(), "Partwell - (40%)");
  EXPECT_EQ(host.TimingLine(), "Time ellapsed: 00:00:03");
  host.ShowFinalLines();
  EXPECT_EQ(terminal.Take(), "pw: Time ellapsed: 00:00:03\npw: Data processed: 3 KB @ 1 KB/sec\n");

  // A verify says so; a run shorter than a second has no rate.
  host.SetVerifyOnly(true);
  host.SetStatusText(LoadMessage(IDS_CREATING_FILE, {"a"}).value_or(""));
  ProcessOperationState().operationStartTick = terminal.now - 999;
  host.SetTransferLine(LoadMessage(IDS_DATA_PROCESSED, {"3 KB", "3 KB"}).value_or(""));
  host.ShowFinalLines();
  EXPECT_EQ(terminal.Take(),
            "pw: Verifying the split files of a...\n"
            "pw: Time ellapsed: 00:00:03\n"
            "pw: Data processed: 3 KB\n");
}

TEST_F(ConsoleHostTest, OnATerminalRedrawsOneLiveLineAtMostTenTimesASecond) {
  OperationState& state = ProcessOperationState();
  state.operationStartTick = 1'000;
  state.bytesTotal = 400 * 1024;
  state.bytesDone = 100 * 1024;
  ScriptedTerminal terminal;
  ConsoleHost host(terminal.Make(false, true), "pw", PresetAnswer::none);

  host.SetProgress(25);
  const std::string first = terminal.Take();
  EXPECT_EQ(first.size(), 80u);  // the carriage return and 79 columns
  EXPECT_EQ(first,
            "\r[######---------------------]  25%  00:00:04 elapsed  00:00:12 left  25.00 KB/s");
  terminal.now += 50;
  host.SetTimingLine("t");
  EXPECT_EQ(terminal.Take(), "");  // too soon
  terminal.now += 50;
  state.bytesDone = 200 * 1024;
  host.SetTransferLine("x");
  EXPECT_EQ(terminal.Take(),
            "\r[######---------------------]  25%  00:00:04 elapsed  00:00:04 left  50.00 KB/s");

  // A status line clears the live line, stands on its own line, and the live line follows.
  host.SetStatusText("Creating b_00002.fss...");
  const std::string blank = "\r" + std::string(first.size() - 1, ' ') + "\r";
  std::string shown = terminal.Take();
  ASSERT_EQ(shown.substr(0, blank.size()), blank);
  shown.erase(0, blank.size());
  EXPECT_EQ(shown.substr(0, 28), "pw: Creating b_00002.fss...\n");
  EXPECT_EQ(shown.substr(28, 2), "\r[");

  // 100% is drawn at once, and once; the closing lines stand below no bar; progress 0 ends
  // the live line.
  host.SetProgress(100);
  const std::string full = terminal.Take();
  EXPECT_NE(full.find("100%"), std::string::npos);
  host.SetProgress(100);
  EXPECT_EQ(terminal.Take(), "");
  host.SetStatusText("The operation was completed.");
  EXPECT_EQ(terminal.Take(),
            "\r" + std::string(full.size() - 1, ' ') + "\rpw: The operation was completed.\n");
  host.SetProgress(0);
  EXPECT_EQ(terminal.Take(), "");
  host.SetTimingLine("Time ellapsed: 00:00:05");
  EXPECT_EQ(terminal.Take(), "");
}

TEST_F(ConsoleHostTest, WithoutTerminalTakesTheSafeOrPresetAnswerAndSaysSo) {
  const std::string overwrite = "The operation will overwrite x.\n\nWould you like to continue?";
  const struct {
    PresetAnswer preset;
    unsigned boxType;
    int button;
    std::string answer;
  } cases[] = {
      {PresetAnswer::none, kBoxYesNo, kButtonNo, "[y/n] no"},
      {PresetAnswer::yes, kBoxYesNo | kBoxIconQuestion, kButtonYes, "[y/n] yes"},
      {PresetAnswer::no, kBoxYesNo, kButtonNo, "[y/n] no"},
  };
  for (const auto& c : cases) {
    ScriptedTerminal terminal;
    ConsoleHost host(terminal.Make(false, false), "pw", c.preset);
    EXPECT_EQ(host.AskQuestion(overwrite, c.boxType), c.button) << c.answer;
    EXPECT_EQ(terminal.Take(), "pw: The operation will overwrite x.\nWould you like to continue? " +
                                   c.answer + "\n");
    EXPECT_FALSE(host.UnansweredPrompt());
  }
  // An error that asks for a retry is cancelled, even with --yes, and kept as the failure.
  ScriptedTerminal terminal;
  ConsoleHost host(terminal.Make(false, false), "pw", PresetAnswer::yes);
  EXPECT_EQ(host.AskQuestion("Disk gone.", kBoxRetryCancel | kBoxIconQuestion), kButtonCancel);
  EXPECT_EQ(terminal.Take(), "");
  EXPECT_EQ(host.UnansweredPrompt(), "Disk gone.");
}

TEST_F(ConsoleHostTest, AsksOnTheTerminalUntilTheAnswerIsOneOfTheOffered) {
  const struct {
    std::deque<std::pair<LineReadResult, std::string>> lines;
    unsigned boxType;
    PresetAnswer preset;
    int button;
    std::string output;
  } cases[] = {
      {{{LineReadResult::line, "maybe"}, {LineReadResult::line, "Y"}},
       kBoxYesNo,
       PresetAnswer::none,
       kButtonYes,
       "pw: Go on? [y/n] maybe\n[y/n] Y\n"},
      {{{LineReadResult::line, "r"}},
       kBoxRetryCancel,
       PresetAnswer::none,
       kButtonRetry,
       "pw: Go on? [r/c] r\n"},
      {{}, kBoxYesNo, PresetAnswer::none, kButtonNo, "pw: Go on? [y/n] \n"},
      {{{LineReadResult::interrupted, ""}},
       kBoxRetryCancel,
       PresetAnswer::none,
       kButtonCancel,
       "pw: Go on? [r/c] \n\n"},
      // A preset answer is not asked for, even on a terminal; a Retry always is.
      {{}, kBoxYesNo, PresetAnswer::yes, kButtonYes, "pw: Go on? [y/n] yes\n"},
      {{{LineReadResult::line, "c"}},
       kBoxRetryCancel,
       PresetAnswer::yes,
       kButtonCancel,
       "pw: Go on? [r/c] c\n"},
  };
  for (const auto& c : cases) {
    ScriptedTerminal terminal;
    terminal.lines = c.lines;
    ConsoleHost host(terminal.Make(true, true), "pw", c.preset);
    EXPECT_EQ(host.AskQuestion("Go on?", c.boxType), c.button) << c.output;
    EXPECT_EQ(terminal.Take(), c.output);
  }
}

TEST_F(ConsoleHostTest, CtrlCIsTheCancelButtonAndASecondOneConfirms) {
  ScriptedTerminal terminal;
  ConsoleHost host(terminal.Make(false, false), "pw", PresetAnswer::no);
  EXPECT_FALSE(host.EscapeKeyDown());
  EXPECT_FALSE(host.PumpMessages());
  EXPECT_FALSE(ProcessOperationState().cancelRequested);

  terminal.interrupts = 1;
  EXPECT_TRUE(host.EscapeKeyDown());
  EXPECT_TRUE(ProcessOperationState().cancelRequested);
  EXPECT_FALSE(host.EscapeKeyDown());
  // Without a terminal the first Ctrl-C cancels, even with --no, and the split files go.
  EXPECT_EQ(host.AskQuestion(CancelQuestion(), kBoxYesNo | kBoxIconQuestion), kButtonYes);
  EXPECT_EQ(terminal.Take(),
            "pw: An attempt was made to cancel operations.\n"
            "Do you really want to abort the current operation? [y/n] yes\n");
  const std::string deleteQuestion = LoadMessage(IDS_DELETE_SPLIT_FILES).value_or("");
  EXPECT_EQ(host.AskQuestion(deleteQuestion, kBoxYesNo | kBoxIconQuestion), kButtonYes);
  EXPECT_EQ(host.AskQuestion("Go on?", kBoxRetryCancel), kButtonCancel);

  // Pumping notices a Ctrl-C too, and passes a termination request on as the quit request.
  ProcessOperationState().cancelRequested = false;
  terminal.interrupts = 1;
  terminal.quit = true;
  EXPECT_TRUE(host.PumpMessages());
  EXPECT_TRUE(ProcessOperationState().cancelRequested);

  // On a terminal, a Ctrl-C while the question waits answers it Yes; the end of input No.
  ScriptedTerminal typed;
  typed.lines = {{LineReadResult::interrupted, ""}};
  ConsoleHost asking(typed.Make(true, false), "pw", PresetAnswer::yes);
  EXPECT_EQ(asking.AskQuestion(CancelQuestion(), kBoxYesNo), kButtonYes);
  EXPECT_EQ(asking.AskQuestion(CancelQuestion(), kBoxYesNo), kButtonNo);
  typed.lines = {{LineReadResult::line, "n"}};
  EXPECT_EQ(asking.AskQuestion(CancelQuestion(), kBoxYesNo), kButtonNo);
}

TEST_F(ConsoleHostTest, LocationPromptTakesAPathRetriesOnEnterAndCancelsOnC) {
  const struct {
    std::deque<std::pair<LineReadResult, std::string>> lines;
    LocationAnswer answer;
    std::string path;
  } cases[] = {
      {{{LineReadResult::line, "/mnt/other"}}, LocationAnswer::ok, "/mnt/other"},
      {{{LineReadResult::line, ""}}, LocationAnswer::ok, "/data/"},
      {{{LineReadResult::line, "c"}}, LocationAnswer::cancel, "/data/"},
      {{{LineReadResult::interrupted, ""}}, LocationAnswer::cancel, "/data/"},
      {{}, LocationAnswer::cancel, "/data/"},
  };
  for (const auto& c : cases) {
    ScriptedTerminal terminal;
    terminal.lines = c.lines;
    ConsoleHost host(terminal.Make(true, false), "pw", PresetAnswer::yes);
    std::string path = "/data/";
    EXPECT_EQ(host.PromptLocation(LocationMode::folder, path, "Disk full."), c.answer);
    EXPECT_EQ(path, c.path);
    EXPECT_TRUE(terminal.Take().starts_with(
        "pw: Disk full.\nType another folder, press Enter to try again with /data/, or "
        "type c to cancel.\n> "));
    EXPECT_FALSE(host.UnansweredPrompt());
  }

  // A damaged split file: its path and disk, and Enter once the disk is in.
  {
    ScriptedTerminal terminal;
    terminal.lines = {{LineReadResult::line, ""}};
    ConsoleHost host(terminal.Make(true, false), "pw", PresetAnswer::none);
    std::string path = "/data/a_00002.fss";
    const std::string corruption =
        LoadMessage(IDS_CORRUPTION_WARNING, {LoadMessage(IDS_SIZES_MISMATCH).value_or("")})
            .value_or("");
    EXPECT_EQ(
        host.PromptLocation(LocationMode::file, path,
                            LoadMessage(IDS_INSERT_MERGE_DISK, {corruption, "2"}).value_or("")),
        LocationAnswer::ok);
    EXPECT_EQ(terminal.Take(),
              "pw: Corruption warning: The initial and final file sizes do not match in "
              "/data/a_00002.fss (disk #2).\n"
              "If you are merging from removable media, insert disk #2, then press Enter.\n"
              "Type another file, press Enter to try again with /data/a_00002.fss, or type c to "
              "cancel.\n> \n");
  }

  ScriptedTerminal terminal;
  ConsoleHost host(terminal.Make(false, false), "pw", PresetAnswer::yes);
  std::string path = "/data/a_00001.fss";
  EXPECT_EQ(host.PromptLocation(LocationMode::file, path, "Piece missing."),
            LocationAnswer::cancel);
  EXPECT_EQ(path, "/data/a_00001.fss");
  EXPECT_EQ(terminal.Take(), "");
  EXPECT_EQ(host.UnansweredPrompt(), "Piece missing.");
}

TEST(ProgressLine, FitsTheTerminalByNarrowingTheBarThenByCutting) {
  test::LocaleScope locale(test::Locale::english);
  ProgressFigures figures{50, 3661, std::nullopt, 1536};
  EXPECT_EQ(ProgressLineText(figures, std::nullopt),
            "[###############---------------]  50%  01:01:01 elapsed  --:--:-- left  1.50 KB/s");
  EXPECT_EQ(ProgressLineText(figures, 70),
            "[#########---------]  50%  01:01:01 elapsed  --:--:-- left  1.50 KB/s");
  EXPECT_EQ(ProgressLineText(figures, 40), "[#####-----]  50%  01:01:01 elapsed  --");
  figures.percent = 100;
  figures.remainingSeconds = 0;
  EXPECT_EQ(ProgressLineText(figures, 200).substr(0, 44),
            "[##############################] 100%  01:01");
  EXPECT_EQ(TextColumns("1,5 KB/s\xC2\xA0x"), 10u);
}

TEST(ProgressLine, FiguresComeFromTheOperationState) {
  OperationState state;
  state.operationStartTick = 10'000;
  state.bytesTotal = 1000;
  ProgressFigures figures = CurrentProgressFigures(state, 0, 10'400);
  EXPECT_EQ(figures.elapsedSeconds, 0u);
  EXPECT_FALSE(figures.remainingSeconds);  // nothing done yet, no projection
  state.bytesDone = 250;
  EXPECT_FALSE(CurrentProgressFigures(state, 25, 10'400).remainingSeconds);  // too soon
  // No rate before a whole second, even where the time shown rounds up to one.
  figures = CurrentProgressFigures(state, 25, 10'600);
  EXPECT_FALSE(figures.bytesPerSecond);
  EXPECT_EQ(ProgressLineText(figures, std::nullopt),
            "[#######-----------------------]  25%  00:00:01 elapsed  00:00:03 left");
  figures = CurrentProgressFigures(state, 25, 14'000);
  EXPECT_EQ(figures.elapsedSeconds, 4u);
  EXPECT_EQ(figures.remainingSeconds, 12u);
  EXPECT_EQ(figures.bytesPerSecond, 62u);
  state.operationEndTick = 11'600;  // ended: the end counts, not now
  EXPECT_EQ(CurrentProgressFigures(state, 25, 99'000).elapsedSeconds, 2u);
}

}  // namespace
