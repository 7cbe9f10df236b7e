#pragma once
// A window for the benchmarks: it shows nothing, answers every question the same way, cancels
// every location prompt, and says on standard error when either comes up.

#include <cstdint>
#include <cstdio>
#include <string>

#include "engine/operation_host.h"
#include "platform/clock.h"

class SilentHost : public OperationHost {
 public:
  explicit SilentHost(int answer) : answer_(answer) {}

  void SetStatusText(const std::string&) override {}
  void SetProgress(int) override {}
  void SetCaption(const std::string&) override {}
  void SetTimingLine(const std::string& text) override { timing_ = text; }
  void SetTransferLine(const std::string& text) override { transfer_ = text; }
  std::string TimingLine() const override { return timing_; }
  std::string TransferLine() const override { return transfer_; }
  int AskQuestion(const std::string& text, unsigned) override {
    std::fprintf(stderr, "question: %s\n", text.c_str());
    return answer_;
  }
  LocationAnswer PromptLocation(LocationMode, std::string&, const std::string& reason) override {
    std::fprintf(stderr, "location prompt: %s\n", reason.c_str());
    return LocationAnswer::cancel;
  }
  bool PumpMessages() override { return false; }
  bool EscapeKeyDown() override { return false; }
  bool MainWindowExists() override { return true; }
  std::uint64_t TickCount() override { return platform::TickCount64(); }

 private:
  int answer_;
  std::string timing_, transfer_;
};
