#pragma once
// The operation host of the console programs: the status surface on standard error, questions
// and the location prompt on the terminal (or answered without asking when there is none),
// Ctrl-C as the Cancel button.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/operation_host.h"
#include "ui/console/questions.h"
#include "ui/console/terminal.h"

class ConsoleHost : public OperationHost {
 public:
  // Every line but the live one starts with the program's name. Quiet: only errors are shown
  // (no status lines, progress, timing lines or notes).
  ConsoleHost(ConsoleTerminal terminal, std::string programName, PresetAnswer preset,
              bool quiet = false);

  // For the merge that runs: whether it only verifies, which its status texts then say.
  void SetVerifyOnly(bool verifyOnly) { verifyOnly_ = verifyOnly; }

  // Status texts become lines (a verify's says that it verifies). On a terminal the progress, time
  // and rate share one line that is redrawn in place; otherwise they are kept for the final lines
  // only.
  void SetStatusText(const std::string& text) override;
  void SetProgress(int percent) override;
  void SetCaption(const std::string& caption) override { caption_ = caption; }
  void SetTimingLine(const std::string& text) override;
  void SetTransferLine(const std::string& text) override;
  std::string TimingLine() const override { return timingLine_; }
  std::string TransferLine() const override { return transferLine_; }

  // Asked on the terminal; otherwise --yes or --no, or the safe answer, is taken and written
  // after the question (an error's Retry question is cancelled and kept as the failure). The
  // question that follows a Ctrl-C is answered Yes by another Ctrl-C on a terminal, at once without
  // one. Once the program is asked to end, nothing is asked.
  int AskQuestion(const std::string& text, unsigned boxType) override;
  // On the terminal: another path, Enter for the same one again, or "c" to cancel. Without a
  // terminal it is a Cancel, and the reason is kept as the failure it stands for. The reason
  // is told in the console's words (wording.h).
  LocationAnswer PromptLocation(LocationMode mode, std::string& path,
                                const std::string& reason) override;

  // A Ctrl-C becomes the cancel request; a termination request is the quit request.
  bool PumpMessages() override;
  bool EscapeKeyDown() override;
  bool MainWindowExists() override { return true; }
  std::uint64_t TickCount() override;

  // A line of the command's own, after the program's name, kept apart from the live line;
  // errors are written so.
  void WriteLine(std::string_view text);
  // A line that tells what was done, left out when quiet.
  void WriteNote(std::string_view text);
  // After the operation: the live line goes and the last timing and transfer lines stay, the
  // rate left out for a run shorter than a second.
  void ShowFinalLines();
  // The terminal's bell, when there is a terminal to hear it.
  void Beep();
  // The reason of a location prompt, or the error of a Retry question, that was cancelled
  // because nobody could be asked: the failure it stands for.
  const std::optional<std::string>& UnansweredPrompt() const { return unansweredPrompt_; }
  const std::string& Caption() const { return caption_; }

 private:
  bool TakeInterrupt();
  std::optional<int> AnswerWhileEnding(const std::string& text, unsigned boxType);
  int AnswerCancelQuestion(const std::string& text);
  int AskOnTerminal(const std::string& text, unsigned boxType);
  int Announce(const std::string& text, unsigned boxType, int button);
  void DrawLiveLine(bool force);
  void ClearLiveLine();

  ConsoleTerminal terminal_;
  std::string programName_;
  PresetAnswer preset_;
  bool quiet_;
  bool verifyOnly_ = false;
  std::string caption_, timingLine_, transferLine_;
  int percent_ = 0;
  bool cancelledUnasked_ = false;  // a Ctrl-C without a terminal cancelled the operation
  std::optional<std::string> unansweredPrompt_;
  std::size_t liveLength_ = 0;  // characters of the live line on screen; 0 when none
  std::uint64_t lastDraw_ = 0;
  int drawnPercent_ = 0;  // the percentage the live line last showed
};
