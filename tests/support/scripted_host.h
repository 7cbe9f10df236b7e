#pragma once
// A stand-in for the window that tests drive: it records every output, answers questions
// and prompts from queues, and has a clock that moves only when the test moves it.

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "engine/operation_host.h"

class ScriptedHost : public OperationHost {
 public:
  struct Question {
    std::string text;
    unsigned boxType;
  };
  struct Prompt {
    LocationMode mode;
    std::string path;  // as it was offered
    std::string reason;
  };
  struct PromptReply {
    LocationAnswer answer;
    std::string path;  // written back on ok
  };

  // The last value of each output of the status surface (-1: progress never set).
  std::string statusText, caption, timingLine, transferLine;
  int progress = -1;
  // Every output and every request, in order: "status: ...", "progress: 50", "caption: ...",
  // "timing: ...", "transfer: ...", "question: ...", "prompt: ...".
  std::vector<std::string> log;

  // Answers, taken from the front. A question or prompt with nothing queued fails the test
  // and is answered with Cancel.
  std::deque<int> answers;
  std::deque<PromptReply> promptReplies;
  std::vector<Question> questions;
  std::vector<Prompt> prompts;

  // Called for each pump; returns true to make it report a quit request.
  std::function<bool()> onPump;
  int pumpCount = 0;

  bool escapeDown = false;
  bool windowExists = true;

  // The clock: `now` is returned, then advanced by `tickStep`.
  std::uint64_t now = 1'000'000;
  std::uint64_t tickStep = 0;
  int tickReads = 0;

  // Log entries that start with `prefix`.
  std::vector<std::string> LogOf(const std::string& prefix) const;

  void SetStatusText(const std::string& text) override;
  void SetProgress(int percent) override;
  void SetCaption(const std::string& text) override;
  void SetTimingLine(const std::string& text) override;
  void SetTransferLine(const std::string& text) override;
  std::string TimingLine() const override { return timingLine; }
  std::string TransferLine() const override { return transferLine; }
  int AskQuestion(const std::string& text, unsigned boxType) override;
  LocationAnswer PromptLocation(LocationMode mode, std::string& path,
                                const std::string& reason) override;
  bool PumpMessages() override;
  bool EscapeKeyDown() override { return escapeDown; }
  bool MainWindowExists() override { return windowExists; }
  std::uint64_t TickCount() override;
};
