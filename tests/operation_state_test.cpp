#include "engine/operation_state.h"

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>

#include "base/message_format.h"
#include "base/text_format.h"
#include "res/resource.h"
#include "tests/support/scripted_host.h"

namespace {

std::string AppTitle() { return LoadMessage(IDS_APP_TITLE).value_or(""); }

std::string TransferLine(std::uint64_t bytes, std::uint64_t rate) {
  return "Data processed: " + FormatByteSize(bytes) + " @ " + FormatByteSize(rate) + "/sec";
}

class OperationStateTest : public testing::Test {
 protected:
  void SetUp() override { ProcessOperationState() = OperationState{}; }
  void TearDown() override { ProcessOperationState() = OperationState{}; }
  OperationState& state = ProcessOperationState();
  ScriptedHost host;
};

TEST_F(OperationStateTest, ScopeClearsTheCountersAndKeepsTheTicksAfterwards) {
  state.bytesTotal = 5;
  state.bytesDone = 4;
  state.operationEndTick = 77;
  host.now = 10'000;
  {
    OperationScope scope(host);
    EXPECT_TRUE(state.operationRunning);
    EXPECT_EQ(state.operationStartTick, 10'000u);
    EXPECT_EQ(state.operationEndTick, 0u);
    EXPECT_EQ(state.bytesTotal, 0u);
    EXPECT_EQ(state.bytesDone, 0u);
    state.bytesDone = 123;
    host.now = 12'345;
  }
  EXPECT_FALSE(state.operationRunning);
  EXPECT_EQ(state.operationStartTick, 10'000u);
  EXPECT_EQ(state.operationEndTick, 12'345u);
  EXPECT_EQ(state.bytesDone, 123u);
}

TEST_F(OperationStateTest, CancelRequestOutsideAnOperationIsClearedByTheNextOne) {
  RequestCancel();
  EXPECT_TRUE(state.cancelRequested);
  OperationScope scope(host);
  EXPECT_FALSE(state.cancelRequested);
}

TEST_F(OperationStateTest, ScopeEndsWhenAnErrorPassesThrough) {
  try {
    OperationScope scope(host);
    RequestCancel();
    throw std::runtime_error("failed");
  } catch (const std::runtime_error&) {
  }
  EXPECT_FALSE(state.operationRunning);
  EXPECT_FALSE(state.cancelRequested);
  EXPECT_NE(state.operationEndTick, 0u);
}

TEST_F(OperationStateTest, NoPercentAndNoTextChangesNothing) {
  SetStatus(host, kProgressUnchanged);
  EXPECT_TRUE(host.log.empty());
}

TEST_F(OperationStateTest, TextStepsFillTheirInsertsAndLeaveTheBar) {
  SetStatus(host, kProgressUnchanged, IDS_OPENING_FILE, {"movie.mkv"});
  SetStatus(host, kProgressUnchanged, "Step %1 of %2", {"3", "7"});
  EXPECT_EQ(host.log,
            (std::vector<std::string>{"status: Opening movie.mkv...", "status: Step 3 of 7"}));
}

TEST_F(OperationStateTest, PercentOtherThanZeroSetsOnlyTheBar) {
  SetStatus(host, 100);
  EXPECT_EQ(host.log, std::vector<std::string>{"progress: 100"});
}

TEST_F(OperationStateTest, FinalStatusShowsRoundedElapsedTimeAndAverageRate) {
  struct Case {
    std::uint64_t durationMs;
    std::uint64_t bytes;
    const char* timing;
    std::uint64_t rate;
  } cases[] = {
      {1400, 3000, "Time ellapsed: 00:00:01", 3000},  // rounds down
      {1500, 3000, "Time ellapsed: 00:00:02", 1500},  // rounds up
      {499, 3000, "Time ellapsed: 00:00:00", 3000},   // under half a second: per one second
      {0, 0, "Time ellapsed: 00:00:00", 0},
      {3'723'000, 7'446'000, "Time ellapsed: 01:02:03", 2000},
  };
  for (const Case& c : cases) {
    ScriptedHost finalHost;
    finalHost.now = 50'000;
    {
      OperationScope scope(finalHost);
      state.bytesDone = c.bytes;
      finalHost.now += c.durationMs;
    }
    finalHost.now += 10'000;  // the final call comes later; the operation's end counts
    SetStatus(finalHost, 0, IDS_OPERATION_COMPLETED);
    EXPECT_EQ(finalHost.statusText, "The operation was completed.");
    EXPECT_EQ(finalHost.progress, 0);
    EXPECT_EQ(finalHost.caption, AppTitle());
    EXPECT_EQ(finalHost.timingLine, c.timing) << c.durationMs << " ms";
    EXPECT_EQ(finalHost.transferLine, TransferLine(c.bytes, c.rate)) << c.durationMs << " ms";
  }
}

TEST_F(OperationStateTest, StartingStatusMeasuresTheRunningOperationUpToNow) {
  host.now = 1'000;
  OperationScope scope(host);
  host.now = 3'600;
  SetStatus(host, 0, IDS_GATHERING_DATA, {"big.iso"});
  EXPECT_EQ(host.log,
            (std::vector<std::string>{"status: Gathering data about big.iso...", "progress: 0",
                                      "caption: " + AppTitle(), "timing: Time ellapsed: 00:00:03",
                                      "transfer: " + TransferLine(0, 0)}));
}

}  // namespace
