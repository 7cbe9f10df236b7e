// Merges a package whose piece 1 has been written and piece 2 is missing, and waits at the
// prompt for it until killed: merge_waiting_at_prompt MASTER DESTINATION. The line "waiting"
// on standard output tells a watcher that the merge is there. A watchdog ends it after two
// minutes in case nobody kills it.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "base/exceptions.h"
#include "engine/merge/merger.h"
#include "engine/operation_host.h"
#include "engine/operation_state.h"

namespace {

class WaitingHost : public OperationHost {
 public:
  void SetStatusText(const std::string&) override {}
  void SetProgress(int) override {}
  void SetCaption(const std::string&) override {}
  void SetTimingLine(const std::string&) override {}
  void SetTransferLine(const std::string&) override {}
  std::string TimingLine() const override { return {}; }
  std::string TransferLine() const override { return {}; }
  int AskQuestion(const std::string&, unsigned) override { return kButtonYes; }
  LocationAnswer PromptLocation(LocationMode, std::string&, const std::string&) override {
    std::printf("waiting\n");
    std::fflush(stdout);
    for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
  }
  bool PumpMessages() override { return false; }
  bool EscapeKeyDown() override { return false; }
  bool MainWindowExists() override { return true; }
  std::uint64_t TickCount() override { return 0; }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: merge_waiting_at_prompt MASTER DESTINATION\n");
    return 2;
  }
  std::thread([] {
    std::this_thread::sleep_for(std::chrono::minutes(2));
    std::_Exit(3);
  }).detach();
  WaitingHost host;
  try {
    OperationScope scope(host);
    Merger().Merge(host, argv[1], argv[2], MergeOptions{.promptOnOverwrite = false});
  } catch (const CException& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  return 0;
}
