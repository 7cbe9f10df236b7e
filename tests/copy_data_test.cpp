#include "engine/copy_data.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "base/message_format.h"
#include "base/text_format.h"
#include "engine/checksum.h"
#include "engine/file64.h"
#include "engine/operation_host.h"
#include "engine/operation_state.h"
#include "res/resource.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/scripted_host.h"

namespace {

constexpr std::uint32_t kBlock = 4096;
constexpr std::uint64_t kLargestSmallOperation = 536'870'912;

std::string AppTitle() { return LoadMessage(IDS_APP_TITLE).value_or(""); }

std::vector<std::uint8_t> PatternBytes(std::size_t size) {
  std::mt19937 generator(size);
  std::vector<std::uint8_t> bytes(size);
  for (std::uint8_t& byte : bytes) byte = static_cast<std::uint8_t>(generator() >> 24);
  return bytes;
}

std::uint32_t SumOf(const std::vector<std::uint8_t>& bytes, std::size_t size) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < size; ++i) sum += bytes[i];
  return sum;
}

// One operation copying from a real source file to a real destination file. The copy
// routine reads the host's clock once per block, so `host.tickStep` is the time per block.
class CopyRig {
 public:
  explicit CopyRig(std::size_t sourceSize, std::uint64_t bufferWanted = kBlock)
      : buffer(AllocateCopyBuffer(bufferWanted)), sourceBytes(PatternBytes(sourceSize)) {
    ProcessOperationState() = OperationState{};
    scope.emplace(host);
    source.Open(folder.Write("source.bin", sourceBytes.data(), sourceBytes.size()), false);
    destination.Open(PathOf("destination.bin"), true);
  }
  ~CopyRig() {
    scope.reset();
    ProcessOperationState() = OperationState{};
  }

  std::uint64_t Copy(std::uint64_t count, std::uint64_t total,
                     ProgressBar bar = ProgressBar::shown) {
    return CopyData(host, {.source = source,
                           .destination = destination,
                           .count = count,
                           .buffer = buffer,
                           .operationTotal = total,
                           .runningTotal = running,
                           .byteSum = sum,
                           .progressBar = bar,
                           .verifyOnly = verifyOnly});
  }
  std::string PathOf(const char* name) const { return (folder.Path() / name).string(); }
  std::vector<std::uint8_t> ReadBack(const char* name) const {
    std::ifstream in(folder.Path() / name, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
  }
  std::vector<std::uint8_t> Written() {
    destination.Close();
    return ReadBack("destination.bin");
  }
  std::vector<std::uint8_t> SourcePrefix(std::size_t size) const {
    return std::vector<std::uint8_t>(sourceBytes.begin(), sourceBytes.begin() + size);
  }

  ScratchFolder folder;
  ScriptedHost host;
  std::optional<OperationScope> scope;
  CopyBuffer buffer;
  std::vector<std::uint8_t> sourceBytes;
  CFile64 source, destination;
  std::uint64_t running = 0;
  std::uint32_t sum = 0;
  bool verifyOnly = false;
  OperationState& state = ProcessOperationState();
};

TEST(CopyData, CopiesEveryByteAndSumsIt) {
  const std::size_t size = 10 * kBlock + 123;
  CopyRig rig(size);
  EXPECT_EQ(rig.Copy(size, size), size);
  EXPECT_EQ(rig.running, size);
  EXPECT_EQ(rig.sum, SumOf(rig.sourceBytes, size));
  EXPECT_EQ(rig.state.bytesTotal, size);
  EXPECT_EQ(rig.state.bytesDone, size);
  EXPECT_EQ(rig.host.progress, 100);
  EXPECT_EQ(rig.host.caption, AppTitle() + " - (100%)");
  EXPECT_EQ(rig.Written(), rig.sourceBytes);
}

TEST(CopyData, ContinuesFromTheFilePositionsAndTheRunningTotal) {
  CopyRig rig(3 * kBlock);
  rig.source.SeekToBegin(kBlock);
  rig.running = 1000;
  rig.sum = 5;
  EXPECT_EQ(rig.Copy(kBlock + 10, 1000 + 2 * kBlock + 10), kBlock + 10);
  EXPECT_EQ(rig.running, 1000 + kBlock + 10);
  EXPECT_EQ(rig.source.Position(), 2 * kBlock + 10);
  const std::vector<std::uint8_t> expected(rig.sourceBytes.begin() + kBlock,
                                           rig.sourceBytes.begin() + 2 * kBlock + 10);
  EXPECT_EQ(rig.sum, 5 + SumOf(expected, expected.size()));
  EXPECT_EQ(rig.Written(), expected);
}

// The buffer's place and the first block follow the files' offsets within a page; whatever
// they are, every byte arrives in order and is summed once, also while only verifying.
TEST(CopyData, AnyOffsetsWithinAPageCopyEveryByteOnce) {
  const std::size_t count = 5 * kBlock + 17;
  for (const bool verifying : {false, true}) {
    for (const std::uint64_t from : {0u, 8u, 56u, 4095u}) {
      for (const std::uint64_t to : {0u, 8u, 64u, 4040u}) {
        CopyRig rig(from + count, 2 * kBlock);
        rig.verifyOnly = verifying;
        rig.source.SeekToBegin(from);
        const std::vector<std::uint8_t> gap(to, 0);
        if (!verifying) rig.destination.Write(gap.data(), static_cast<std::uint32_t>(to));
        EXPECT_EQ(rig.Copy(count, count), count) << from << " to " << to;
        const std::vector<std::uint8_t> data(rig.sourceBytes.begin() + from, rig.sourceBytes.end());
        EXPECT_EQ(rig.sum, SumOf(data, count)) << from << " to " << to;
        std::vector<std::uint8_t> expected = verifying ? std::vector<std::uint8_t>{} : gap;
        if (!verifying) expected.insert(expected.end(), data.begin(), data.end());
        EXPECT_EQ(rig.Written(), expected) << from << " to " << to;
      }
    }
  }
}

TEST(CopyData, NothingToCopyTouchesNothing) {
  CopyRig rig(kBlock);
  const int ticksBefore = rig.host.tickReads;
  EXPECT_EQ(rig.Copy(0, kBlock), 0u);
  EXPECT_EQ(rig.host.tickReads, ticksBefore);
  EXPECT_EQ(rig.host.pumpCount, 0);
  EXPECT_EQ(rig.source.Position(), 0u);
}

TEST(CopyData, EmptyBufferReturnsTheShortfallInsteadOfLoopingForever) {
  CopyRig rig(kBlock, 0);
  EXPECT_EQ(rig.buffer.Size(), 0u);
  EXPECT_EQ(rig.Copy(kBlock, kBlock), 0u);
  EXPECT_EQ(rig.running, 0u);
}

TEST(CopyData, ShortSourceReturnsTheWholeBlocksCopied) {
  const std::size_t size = 2 * kBlock + kBlock / 2;
  CopyRig rig(size);
  EXPECT_EQ(rig.Copy(3 * kBlock, 3 * kBlock), 2 * kBlock);
  EXPECT_EQ(rig.running, 2 * kBlock);
  EXPECT_EQ(rig.sum, SumOf(rig.sourceBytes, 2 * kBlock));
  EXPECT_EQ(rig.Written(), rig.SourcePrefix(2 * kBlock));
}

TEST(CopyData, OverrunOfTheOperationTotalStopsBeforeTheBlock) {
  CopyRig rig(3 * kBlock);
  EXPECT_EQ(rig.Copy(3 * kBlock, 2 * kBlock + kBlock / 2), 2 * kBlock);
  EXPECT_EQ(rig.running, 2 * kBlock);
  EXPECT_EQ(rig.source.Position(), 2 * kBlock);  // the block that would overrun is not read
  EXPECT_EQ(rig.Written(), rig.SourcePrefix(2 * kBlock));
}

TEST(CopyData, ReadAndWriteFailuresNameTheirFile) {
  {
    CopyRig rig(kBlock);
    rig.source.Open(rig.PathOf("write-only.bin"), true);
    try {
      rig.Copy(kBlock, kBlock);
      FAIL() << "a read from a file open for writing succeeded";
    } catch (const CFileException& error) {
      EXPECT_EQ(error.fileName, rig.PathOf("write-only.bin"));
      EXPECT_NE(error.osError, -1);
    }
  }
  {
    CopyRig rig(kBlock);
    const std::string readOnly = rig.folder.Write("read-only.bin", "abc", 3);
    rig.destination.Open(readOnly, false);
    try {
      rig.Copy(kBlock, kBlock);
      FAIL() << "a write to a file open for reading succeeded";
    } catch (const CFileException& error) {
      EXPECT_EQ(error.fileName, readOnly);
    }
  }
}

TEST(CopyData, ProgressIntervalDependsOnTheOperationTotal) {
  struct Case {
    std::uint64_t total;
    std::uint64_t msPerBlock;
    int updates;  // of 12 blocks; the first and the last always update
  } cases[] = {
      {kLargestSmallOperation, 26, 12},     // more than 25 ms: every block
      {kLargestSmallOperation, 25, 7},      // blocks 0, 2, 4, 6, 8, 10 and the last
      {kLargestSmallOperation + 1, 26, 3},  // blocks 0, 10 (260 ms) and the last
      {kLargestSmallOperation + 1, 250, 7}, {kLargestSmallOperation + 1, 251, 12},
  };
  for (const Case& c : cases) {
    CopyRig rig(12 * kBlock);
    rig.host.tickStep = c.msPerBlock;
    EXPECT_EQ(rig.Copy(12 * kBlock, c.total), 12 * kBlock);
    EXPECT_EQ(rig.host.pumpCount, c.updates) << c.total << " bytes, " << c.msPerBlock << " ms";
  }
}

TEST(CopyData, LastBlockOfACallAlwaysUpdates) {
  CopyRig rig(4 * kBlock);
  rig.Copy(kBlock, 4 * kBlock);
  EXPECT_EQ(rig.host.pumpCount, 1);
  EXPECT_EQ(rig.host.progress, 25);
  // No time passes: only the call's last block reports, and it reaches the total.
  EXPECT_EQ(rig.Copy(3 * kBlock, 4 * kBlock), 3 * kBlock);
  EXPECT_EQ(rig.host.pumpCount, 2);
  EXPECT_EQ(rig.host.progress, 100);
  EXPECT_EQ(rig.state.bytesDone, 4 * kBlock);
  EXPECT_EQ(rig.state.bytesTotal, 4 * kBlock);
}

TEST(CopyData, PercentageIsRoundedToNearest) {
  struct Case {
    std::uint64_t total, runningBefore, count;
    int percent;
  } cases[] = {
      {1000, 0, 4, 0},      // 0.4 %
      {1000, 0, 5, 1},      // 0.5 %
      {1000, 990, 4, 99},   // 99.4 %
      {1000, 990, 5, 100},  // 99.5 %
      {3, 0, 1, 33},        //
      {3, 0, 2, 67},        //
  };
  for (const Case& c : cases) {
    CopyRig rig(c.count, c.count);
    rig.running = c.runningBefore;
    EXPECT_EQ(rig.Copy(c.count, c.total), c.count);
    EXPECT_EQ(rig.host.progress, c.percent) << c.runningBefore + c.count << " of " << c.total;
    EXPECT_EQ(rig.host.caption, AppTitle() + " - (" + std::to_string(c.percent) + "%)");
  }
}

TEST(CopyData, BarAndCaptionChangeOnlyWithThePercentage) {
  CopyRig rig(1000, 100);
  rig.host.tickStep = 26;
  rig.Copy(1000, 100'000);  // ten updates from 0.1 % to 1.0 %
  EXPECT_EQ(rig.host.pumpCount, 10);
  EXPECT_EQ(rig.host.LogOf("progress: "), (std::vector<std::string>{"progress: 0", "progress: 1"}));
  EXPECT_EQ(rig.host.LogOf("caption: ").size(), 2u);
}

TEST(CopyData, TimingAndTransferLines) {
  struct Case {
    std::uint64_t elapsedMs, count, total;
    const char* timing;
    std::uint64_t rate;
  } cases[] = {
      // Under half a second: the rate is per one second and nothing remains.
      {499, 1000, 4000, "Time ellapsed: 00:00:00 - Remaining: 00:00:00", 1000},
      {500, 1000, 4000, "Time ellapsed: 00:00:01 - Remaining: 00:00:03", 1000},
      {2000, 1000, 4000, "Time ellapsed: 00:00:02 - Remaining: 00:00:06", 500},
      // The whole duration is projected, rounded, less the time spent: 2.5 s rounds to 3.
      {1500, 1000, 1250, "Time ellapsed: 00:00:02 - Remaining: 00:00:01", 500},
      {1500, 1000, 1200, "Time ellapsed: 00:00:02 - Remaining: 00:00:00", 500},
      {3600'000, 1000, 3000, "Time ellapsed: 01:00:00 - Remaining: 02:00:00", 0},
  };
  for (const Case& c : cases) {
    CopyRig rig(c.count, c.count);
    rig.host.now += c.elapsedMs;
    rig.Copy(c.count, c.total);
    EXPECT_EQ(rig.host.timingLine, c.timing) << c.elapsedMs << " ms";
    EXPECT_EQ(rig.host.transferLine, "Data processed: " + FormatByteSize(c.count) + " @ " +
                                         FormatByteSize(c.rate) + "/sec")
        << c.elapsedMs << " ms";
  }
}

TEST(CopyData, LinesUpdateOncePerSecondAndOnlyWhenTheirTextChanges) {
  {
    CopyRig rig(100 * 100, 100);
    rig.host.tickStep = 26;  // statistics at 0 ms, 1014 ms and 2028 ms
    rig.Copy(100 * 100, 1'000'000);
    EXPECT_EQ(rig.host.LogOf("timing: ").size(), 3u);
    EXPECT_EQ(rig.host.LogOf("transfer: ").size(), 3u);
  }
  {
    CopyRig rig(1000, 1000);
    rig.host.timingLine = "Time ellapsed: 00:00:00 - Remaining: 00:00:00";
    rig.host.transferLine = "something else";
    rig.Copy(1000, 1000);
    EXPECT_TRUE(rig.host.LogOf("timing: ").empty());
    EXPECT_EQ(rig.host.LogOf("transfer: ").size(), 1u);
  }
}

TEST(CopyData, WithoutAProgressBarOnlyTheByteCountersChange) {
  CopyRig rig(3 * kBlock);
  rig.host.tickStep = 2000;
  EXPECT_EQ(rig.Copy(3 * kBlock, 10 * kBlock, ProgressBar::none), 3 * kBlock);
  EXPECT_EQ(rig.state.bytesTotal, 10 * kBlock);
  EXPECT_EQ(rig.state.bytesDone, 3 * kBlock);
  EXPECT_TRUE(rig.host.log.empty());
  EXPECT_EQ(rig.host.pumpCount, 3);  // the window still gets its messages
}

TEST(CopyData, VerifyingSumsAndCountsButNeverWritesOrFlushes) {
  CopyRig rig(4 * kBlock);
  rig.verifyOnly = true;
  rig.destination.Close();  // any write or flush would now fail
  rig.host.tickStep = 40'000;
  EXPECT_EQ(rig.Copy(4 * kBlock, 4 * kBlock), 4 * kBlock);
  EXPECT_EQ(rig.sum, SumOf(rig.sourceBytes, 4 * kBlock));
  EXPECT_EQ(rig.running, 4 * kBlock);
  EXPECT_EQ(rig.state.bytesDone, 4 * kBlock);
  EXPECT_TRUE(rig.ReadBack("destination.bin").empty());
}

// The zero device takes every write but refuses to be flushed, so it shows when a flush
// happens.
TEST(CopyData, FlushesOnceAMinuteAfterRecordingTheFirstMoment) {
  CopyRig rig(3 * kBlock);
  CFileException error;
  if (!rig.destination.Open("/dev/zero", true, &error)) GTEST_SKIP() << "no zero device";
  try {
    rig.destination.Flush();
    GTEST_SKIP() << "the zero device can be flushed here";
  } catch (const CFileException&) {
  }
  EXPECT_NO_THROW(rig.Copy(kBlock, 3 * kBlock));  // the first moment only records
  rig.host.now += 60'000;
  EXPECT_NO_THROW(rig.Copy(kBlock, 3 * kBlock));  // not more than a minute yet
  rig.host.now += 1;
  try {
    rig.Copy(kBlock, 3 * kBlock);
    FAIL() << "no flush after more than a minute";
  } catch (const CFileException& flushError) {
    EXPECT_EQ(flushError.fileName, "/dev/zero");
  }
}

TEST(CopyData, CancelQuestionDuringTheCopy) {
  const std::string question = LoadMessage(IDS_CONFIRM_CANCEL).value_or("");
  // Blocks are 30 ms apart, so the poll after block 0 comes at block 4 (120 ms).
  struct Case {
    const char* name;
    bool escapeDown;
    bool cancelAtFirstPump;
    std::vector<int> answers;
    std::uint64_t result;
    std::uint64_t written;
    bool requestLeft;
  } cases[] = {
      {"Escape, Yes", true, false, {kButtonYes}, kCopyCancelled, 0, false},
      // No while Escape is still held: asked again at the next poll.
      {"Escape, No, Yes", true, false, {kButtonNo, kButtonYes}, kCopyCancelled, 4 * kBlock, false},
      {"Cancel button, No", false, true, {kButtonNo}, 8 * kBlock, 8 * kBlock, false},
      {"Cancel button, Yes", false, true, {kButtonYes}, kCopyCancelled, 4 * kBlock, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CopyRig rig(8 * kBlock);
    rig.host.tickStep = 30;
    rig.host.escapeDown = c.escapeDown;
    rig.host.answers.assign(c.answers.begin(), c.answers.end());
    rig.host.onPump = [cancel = c.cancelAtFirstPump]() mutable {
      if (cancel) RequestCancel();
      cancel = false;
      return false;
    };
    EXPECT_EQ(rig.Copy(8 * kBlock, 8 * kBlock), c.result);
    EXPECT_EQ(rig.host.questions.size(), c.answers.size());
    for (const ScriptedHost::Question& asked : rig.host.questions) {
      EXPECT_EQ(asked.text, question);
      EXPECT_EQ(asked.boxType, kBoxYesNo | kBoxIconQuestion);
    }
    EXPECT_EQ(rig.state.cancelRequested, c.requestLeft);
    EXPECT_EQ(rig.Written().size(), c.written);
  }
}

TEST(CopyData, QuitRequestDuringThePumpCancels) {
  CopyRig rig(4 * kBlock);
  rig.host.onPump = [] { return true; };
  EXPECT_EQ(rig.Copy(4 * kBlock, 4 * kBlock), kCopyCancelled);
  EXPECT_EQ(rig.host.pumpCount, 1);
  EXPECT_EQ(rig.Written().size(), kBlock);  // the block before the pump is kept
}

TEST(PollCancel, AsksOnlyWhenTriggeredAndNoClearsTheRequest) {
  struct Case {
    bool requested, escape;
    int answer;  // 0: no question expected
    bool abort, requestedAfter;
  } cases[] = {
      {false, false, 0, false, false},        {true, false, kButtonNo, false, false},
      {true, false, kButtonYes, true, true},  {false, true, kButtonNo, false, false},
      {false, true, kButtonYes, true, false},
  };
  for (const Case& c : cases) {
    ProcessOperationState() = OperationState{};
    ProcessOperationState().cancelRequested = c.requested;
    ScriptedHost host;
    host.escapeDown = c.escape;
    if (c.answer != 0) host.answers.push_back(c.answer);
    EXPECT_EQ(PollCancel(host), c.abort);
    EXPECT_EQ(host.questions.size(), c.answer != 0 ? 1u : 0u);
    EXPECT_EQ(ProcessOperationState().cancelRequested, c.requestedAfter);
  }
  ProcessOperationState() = OperationState{};
}

TEST(CopyBuffer, SizeIsAQuarterOfTheMemoryWithinBoundsAndAtMostWanted) {
  struct Case {
    std::uint64_t available, wanted;
    std::uint32_t size;
  } cases[] = {
      {0, 1 << 20, 8192},              // little memory: the smallest buffer
      {100'000, 1 << 20, 25'000},      // a quarter
      {1ull << 40, 1 << 20, 131'072},  // beyond 32 bits: the largest
      {600'000, 1 << 20, 131'072},     //
      {1ull << 40, 5000, 5000},        // never more than wanted
      {16'384, 100, 100},              //
      {1ull << 40, 0, 0},              //
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CopyBufferSize(c.available, c.wanted), c.size) << c.available << ", " << c.wanted;
  }
}

TEST(CopyBuffer, AllocatesAlignedMemoryOfThatSize) {
  const CopyBuffer buffer = AllocateCopyBuffer(1ull << 30);
  EXPECT_GE(buffer.Size(), kMinCopyBufferSize);
  EXPECT_LE(buffer.Size(), kMaxCopyBufferSize);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(buffer.Data()) % 64, 0u);
  EXPECT_EQ(AllocateCopyBuffer(3000).Size(), 3000u);
}

}  // namespace
