#include "ui/console/host.h"

#include <utility>

#include "base/message_format.h"
#include "engine/operation_host.h"
#include "engine/operation_state.h"
#include "res/resource.h"
#include "ui/console/message.h"
#include "ui/console/progress_line.h"
#include "ui/console/wording.h"

namespace {

// The live line is redrawn at most this often (milliseconds), and always when it reaches 100%.
constexpr std::uint64_t kRedrawInterval = 100;

std::string_view LocationWord(LocationMode mode) {
  return mode == LocationMode::folder ? "folder" : "file";
}

}  // namespace

ConsoleHost::ConsoleHost(ConsoleTerminal terminal, std::string programName, PresetAnswer preset,
                         bool quiet)
    : terminal_(std::move(terminal)),
      programName_(std::move(programName)),
      preset_(preset),
      quiet_(quiet) {}

void ConsoleHost::SetStatusText(const std::string& text) {
  WriteNote(verifyOnly_ ? VerifyStatusText(text) : text);
}

void ConsoleHost::SetProgress(int percent) {
  percent_ = percent;
  // Progress 0 starts or ends an operation: the status line says which.
  if (percent == 0)
    ClearLiveLine();
  else
    DrawLiveLine(percent == 100 && drawnPercent_ != 100);
}

void ConsoleHost::SetTimingLine(const std::string& text) {
  timingLine_ = text;
  DrawLiveLine(false);
}

void ConsoleHost::SetTransferLine(const std::string& text) {
  transferLine_ = text;
  DrawLiveLine(false);
}

int ConsoleHost::AskQuestion(const std::string& text, unsigned boxType) {
  ClearLiveLine();
  const std::string shown = ConsoleWording(text);
  int button = 0;
  if (const std::optional<int> ending = AnswerWhileEnding(text, boxType)) {
    button = Announce(shown, boxType, *ending);
  } else if (text == LoadMessage(IDS_CONFIRM_CANCEL).value_or("")) {
    button = AnswerCancelQuestion(shown);
  } else if (const std::optional<int> preset = PresetButton(boxType, preset_)) {
    button = Announce(shown, boxType, *preset);
  } else if (terminal_.interactive) {
    button = AskOnTerminal(shown, boxType);
  } else if ((boxType & 0xF) == kBoxRetryCancel) {
    // An error that only a retry could get past: with nobody to retry, it is the failure.
    unansweredPrompt_ = shown;
    button = kButtonCancel;
  } else {
    button = Announce(shown, boxType, SafeButton(boxType));
  }
  DrawLiveLine(true);
  return button;
}

// Nobody is left to ask once the program is asked to end, or once a Ctrl-C without a terminal
// has cancelled: the operation stops and removes what it wrote, and any other question gets
// the answer that changes least.
std::optional<int> ConsoleHost::AnswerWhileEnding(const std::string& text, unsigned boxType) {
  if (!terminal_.quitRequested() && !cancelledUnasked_) return std::nullopt;
  if (text == LoadMessage(IDS_CONFIRM_CANCEL).value_or("") ||
      text == LoadMessage(IDS_DELETE_SPLIT_FILES).value_or("")) {
    return kButtonYes;
  }
  return SafeButton(boxType);
}

// The user pressed Ctrl-C: on a terminal the question is asked and another Ctrl-C confirms;
// without one no question can be asked, so the first Ctrl-C cancels (as timeout -s INT does).
int ConsoleHost::AnswerCancelQuestion(const std::string& text) {
  if (!terminal_.interactive) {
    cancelledUnasked_ = true;
    return Announce(text, kBoxYesNo, kButtonYes);
  }
  terminal_.write(MessageText(programName_, text) + " [y/n, Ctrl-C: yes] ");
  for (;;) {
    std::string line;
    switch (terminal_.readLine(line)) {
      case platform::LineReadResult::interrupted:
        terminal_.write("\n");
        return kButtonYes;
      case platform::LineReadResult::closed:
        terminal_.write("\n");
        return kButtonNo;
      case platform::LineReadResult::line:
        break;
    }
    if (const std::optional<int> button = ButtonForAnswer(kBoxYesNo, line)) return *button;
    terminal_.write("[y/n] ");
  }
}

int ConsoleHost::AskOnTerminal(const std::string& text, unsigned boxType) {
  const std::string keys = "[" + AnswerKeys(boxType) + "] ";
  terminal_.write(MessageText(programName_, text) + " " + keys);
  for (;;) {
    std::string line;
    if (terminal_.readLine(line) != platform::LineReadResult::line) {
      // Ctrl-C or the end of input: the answer that changes least.
      terminal_.write("\n");
      return SafeButton(boxType);
    }
    if (const std::optional<int> button = ButtonForAnswer(boxType, line)) return *button;
    terminal_.write(keys);
  }
}

int ConsoleHost::Announce(const std::string& text, unsigned boxType, int button) {
  WriteNote(text + " [" + AnswerKeys(boxType) + "] " + std::string(AnswerWord(button)));
  return button;
}

LocationAnswer ConsoleHost::PromptLocation(LocationMode mode, std::string& path,
                                           const std::string& reason) {
  const LocationReason why = ConsoleLocationReason(reason, path);
  if (!terminal_.interactive) {
    unansweredPrompt_ = why.text;
    return LocationAnswer::cancel;
  }
  ClearLiveLine();
  const std::string_view word = LocationWord(mode);
  terminal_.write(MessageText(programName_, why.text) + "\n");
  if (!why.mediaHint.empty()) terminal_.write(why.mediaHint + "\n");
  terminal_.write("Type another " + std::string(word) + ", press Enter to try again with " + path +
                  ", or type c to cancel.\n> ");
  std::string line;
  if (terminal_.readLine(line) != platform::LineReadResult::line) {
    terminal_.write("\n");
    return LocationAnswer::cancel;
  }
  if (line == "c" || line == "C") return LocationAnswer::cancel;
  if (!line.empty()) path = line;
  return LocationAnswer::ok;
}

bool ConsoleHost::PumpMessages() {
  if (TakeInterrupt()) RequestCancel();
  return terminal_.quitRequested();
}

// Ctrl-C stands for the Escape key, so that the engine asks at once.
bool ConsoleHost::EscapeKeyDown() { return TakeInterrupt(); }

std::uint64_t ConsoleHost::TickCount() { return terminal_.tickCount(); }

bool ConsoleHost::TakeInterrupt() {
  if (!terminal_.takeInterrupt()) return false;
  RequestCancel();
  return true;
}

void ConsoleHost::WriteLine(std::string_view text) {
  const bool live = liveLength_ != 0;
  ClearLiveLine();
  terminal_.write(MessageText(programName_, text) + "\n");
  // A finished bar is not drawn again under the closing lines.
  if (live && percent_ < 100) DrawLiveLine(true);
}

void ConsoleHost::WriteNote(std::string_view text) {
  if (!quiet_ && !text.empty()) WriteLine(text);
}

void ConsoleHost::ShowFinalLines() {
  ClearLiveLine();
  percent_ = 0;
  WriteNote(timingLine_);
  WriteNote(TransferLineText(transferLine_,
                             ElapsedMilliseconds(ProcessOperationState(), terminal_.tickCount())));
}

void ConsoleHost::Beep() {
  if (terminal_.liveProgress) terminal_.write("\a");
}

void ConsoleHost::DrawLiveLine(bool force) {
  if (quiet_ || !terminal_.liveProgress || percent_ <= 0) return;
  const std::uint64_t now = terminal_.tickCount();
  if (!force && liveLength_ != 0 && now - lastDraw_ < kRedrawInterval) return;
  lastDraw_ = now;
  std::string line = ProgressLineText(
      CurrentProgressFigures(ProcessOperationState(), percent_, now), terminal_.width);
  const std::size_t length = TextColumns(line);
  // Blanks over what is left of a longer line drawn before.
  if (length < liveLength_) line += std::string(liveLength_ - length, ' ');
  terminal_.write("\r" + line);
  liveLength_ = length;
  drawnPercent_ = percent_;
}

void ConsoleHost::ClearLiveLine() {
  if (liveLength_ == 0) return;
  terminal_.write("\r" + std::string(liveLength_, ' ') + "\r");
  liveLength_ = 0;
}
