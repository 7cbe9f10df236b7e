#include "engine/copy_data.h"

#include <algorithm>
#include <new>
#include <optional>
#include <string>

#include "base/message_format.h"
#include "base/text_format.h"
#include "engine/checksum.h"
#include "engine/file64.h"
#include "engine/operation_host.h"
#include "engine/operation_state.h"
#include "engine/recovery/crc32.h"
#include "engine/sha256.h"
#include "platform/system_info.h"
#include "res/resource.h"

namespace {

constexpr std::uint64_t kCancelPollInterval = 100;
constexpr std::uint64_t kStatisticsInterval = 1000;
constexpr std::uint64_t kFlushInterval = 60'000;
// Larger operations update their progress ten times less often.
constexpr std::uint64_t kLargeOperation = 512ull * 1024 * 1024;
constexpr std::uint64_t kSmallOperationProgressInterval = 25;
constexpr std::uint64_t kLargeOperationProgressInterval = 250;
// The buffer starts on a page and has a page to spare, so that each copy can place its
// blocks at the offset within a page that suits the files' positions.
constexpr std::uint32_t kPageSize = 4096;
constexpr std::align_val_t kBufferAlignment{kPageSize};
// The kernel's copy between the page cache and the buffer slows down on some processors when
// the bytes move to an address 1 to 31 bytes ahead of where they come from, modulo a page (the
// string-copy instruction handles such short distances badly): by a fifth on this project's
// test machine, by several times on others.
constexpr std::uint32_t kSlowCopyDistance = 31;

std::uint64_t ProgressInterval(std::uint64_t operationTotal) {
  return operationTotal <= kLargeOperation ? kSmallOperationProgressInterval
                                           : kLargeOperationProgressInterval;
}

// The bar and caption when the rounded percentage changes; the lines once a second.
void ShowCopyProgress(OperationHost& host, CopyPacing& pacing, std::uint64_t now,
                      std::uint64_t operationTotal, std::uint64_t runningTotal) {
  const int percent = static_cast<int>((runningTotal * 100 + operationTotal / 2) / operationTotal);
  if (percent != pacing.lastPercentage) {
    pacing.lastPercentage = percent;
    host.SetProgress(percent);
    host.SetCaption(LoadMessage(IDS_APP_TITLE).value_or("") + " - (" + std::to_string(percent) +
                    "%)");
  }
  if (now - pacing.lastStatistics <= kStatisticsInterval) return;
  pacing.lastStatistics = now;
  const std::uint64_t elapsed = ElapsedSeconds(ProcessOperationState(), now);
  // The projected whole duration, rounded, less the time already spent.
  const std::uint64_t remaining =
      (operationTotal * elapsed + runningTotal / 2) / runningTotal - elapsed;
  const std::uint64_t rate = runningTotal / std::max<std::uint64_t>(elapsed, 1);
  // A line is replaced only when its text changes, so that it does not flicker.
  const std::string timing =
      LoadMessage(IDS_TIME_ELAPSED_REMAINING, {SecondsText(elapsed), SecondsText(remaining)})
          .value_or("");
  if (host.TimingLine() != timing) host.SetTimingLine(timing);
  const std::string transfer =
      LoadMessage(IDS_DATA_PROCESSED, {FormatByteSize(runningTotal), FormatByteSize(rate)})
          .value_or("");
  if (host.TransferLine() != transfer) host.SetTransferLine(transfer);
}

std::uint32_t PageOffset(std::uint64_t position) {
  return static_cast<std::uint32_t>(position % kPageSize);
}

// Where in its page a file stands; 0 for a file that has no position (a pipe).
std::uint32_t PageOffsetOf(const CFile64& file) {
  std::uint64_t position = 0;
  platform::SeekTo(file.Handle(), 0, platform::SeekOrigin::Current, position);
  return PageOffset(position);
}

bool IsSlowCopy(std::uint32_t from, std::uint32_t to) {
  const std::uint32_t distance = (to - from) % kPageSize;
  return distance != 0 && distance <= kSlowCopyDistance;
}

// The buffer's offset within its page for a copy whose reads start at `readOffset` and whose
// writes start at `writeOffset` (within their pages). A read moves bytes from the file to the
// buffer, a write from the buffer to the file; both files advance together, so one offset
// serves the whole copy. The read is placed exactly; when that puts the write in the slow
// window, the buffer moves further by the window's width.
std::uint32_t BufferOffset(std::uint32_t readOffset, std::optional<std::uint32_t> writeOffset) {
  std::uint32_t offset = readOffset;
  if (writeOffset && IsSlowCopy(offset, *writeOffset)) offset += kSlowCopyDistance + 1;
  return offset % kPageSize;
}

// The first block of a copy ends on a page boundary of the file being filled (the destination,
// or the source while only verifying), so that every later block covers whole pages: writes
// across page boundaries cost the file system a good part more.
std::uint32_t FirstBlock(std::uint32_t block, std::uint32_t filledOffset) {
  const std::uint32_t past = (filledOffset + block) % kPageSize;
  return past < block ? block - past : block;
}

// Room for a block of `size` bytes placed anywhere within its first page.
std::uint32_t BlockStrideFor(std::uint32_t size) { return (size / kPageSize + 2) * kPageSize; }

// The digests of one block, on the digest thread. Two digests fed the same bytes take them
// together, which is how a merge or a verify checks a piece and the whole file at once.
void FeedDigests(CopyDigests digests, const std::byte* data, std::uint32_t size) {
  if (digests.size() == 2) {
    Sha256::UpdateBoth(*digests[0], *digests[1], data, size);
    return;
  }
  for (Sha256* digest : digests) digest->Update(data, size);
}

// Waits for the digests of the blocks handed over, also when the copy raises, so that the
// caller finds them complete and no block is read while it is filled again.
class DigestsTaken {
 public:
  explicit DigestsTaken(BackgroundWork& work) : work_(work) {}
  DigestsTaken(const DigestsTaken&) = delete;
  DigestsTaken& operator=(const DigestsTaken&) = delete;
  ~DigestsTaken() { work_.Finish(); }

 private:
  BackgroundWork& work_;
};

}  // namespace

std::uint32_t CopyBuffer::BlockStride() const { return BlockStrideFor(size_); }

void CopyBuffer::Release::operator()(std::byte* data) const {
  ::operator delete[](data, kBufferAlignment);
}

std::uint32_t CopyBufferSize(std::uint64_t availableMemory, std::uint64_t wanted) {
  const std::uint64_t proposal =
      std::clamp<std::uint64_t>(availableMemory / 4, kMinCopyBufferSize, kMaxCopyBufferSize);
  return static_cast<std::uint32_t>(std::min(proposal, wanted));
}

CopyBuffer AllocateCopyBuffer(std::uint64_t wanted) {
  std::uint32_t size = CopyBufferSize(platform::AvailablePhysicalMemory(), wanted);
  for (;;) {
    void* data = ::operator new[](std::size_t{kDigestBlocks} * BlockStrideFor(size),
                                  kBufferAlignment, std::nothrow);
    if (data != nullptr) return CopyBuffer(static_cast<std::byte*>(data), size);
    size /= 2;
    if (size < kMinCopyBufferSize) ThrowMemoryError();
  }
}

std::uint64_t CopyData(OperationHost& host, const CopyJob& job) {
  OperationState& state = ProcessOperationState();
  CopyBuffer& buffer = job.buffer;
  CopyPacing& pacing = buffer.Pacing();
  std::uint64_t copied = 0;
  const std::uint32_t readOffset = PageOffsetOf(job.source);
  const std::optional<std::uint32_t> writeOffset =
      job.verifyOnly ? std::nullopt : std::optional(PageOffsetOf(job.destination));
  const std::uint32_t offset = BufferOffset(readOffset, writeOffset);
  std::uint32_t nextBlock = 0;  // of the buffer, when digests are fed
  const DigestsTaken digestsTaken(buffer.DigestWork());
  const std::uint32_t firstBlock = FirstBlock(buffer.Size(), writeOffset.value_or(readOffset));
  while (copied < job.count) {
    const std::uint64_t now = host.TickCount();
    if (now - pacing.lastCancelPoll > kCancelPollInterval) {
      pacing.lastCancelPoll = now;
      if (PollCancel(host)) return kCopyCancelled;
      // Other programs get their turn with each poll. A yield after every block (or every
      // small file) gave the processor away thousands of times a second: on a busy machine
      // each one waited behind every other runnable program, and the copy took several times
      // its own work.
      platform::YieldTimeSlice();
    }
    const std::uint32_t block = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(job.count - copied, copied == 0 ? firstBlock : buffer.Size()));
    // An empty buffer could never finish; the caller sees the shortfall instead.
    if (block == 0 || job.runningTotal + block > job.operationTotal) return copied;
    std::byte* const data = buffer.Data(nextBlock) + offset;
    const std::uint32_t read = job.source.Read(data, block);
    if (read < block) return copied;
    job.byteSum = AddByteSum(job.byteSum, data, read);
    if (job.crc != nullptr) *job.crc = Crc32(*job.crc, data, read);
    if (!job.digests.empty()) {
      buffer.DigestWork().Hand(
          [digests = job.digests, data, read] { FeedDigests(digests, data, read); });
      // The block read next must no longer be in the digests' hands.
      nextBlock = (nextBlock + 1) % kDigestBlocks;
      buffer.DigestWork().WaitUntilAtMost(kDigestBlocks - 1);
    }
    copied += read;
    if (!job.verifyOnly) {
      job.destination.Write(data, read);
      if (now - pacing.lastFlush > kFlushInterval) {
        if (pacing.lastFlush != 0) job.destination.Flush();
        pacing.lastFlush = now;
      }
    }
    job.runningTotal += read;
    if (now - pacing.lastProgress > ProgressInterval(job.operationTotal) || copied == job.count) {
      pacing.lastProgress = now;
      state.bytesTotal = job.operationTotal;
      state.bytesDone = job.runningTotal;
      if (job.progressBar == ProgressBar::shown) {
        ShowCopyProgress(host, pacing, now, job.operationTotal, job.runningTotal);
      }
      if (host.PumpMessages()) return kCopyCancelled;
    }
  }
  return copied;
}

bool PollCancel(OperationHost& host) {
  OperationState& state = ProcessOperationState();
  if (!state.cancelRequested && !host.EscapeKeyDown()) return false;
  const std::string question = LoadMessage(IDS_CONFIRM_CANCEL).value_or("");
  if (host.AskQuestion(question, kBoxYesNo | kBoxIconQuestion) == kButtonYes) return true;
  state.cancelRequested = false;
  return false;
}
