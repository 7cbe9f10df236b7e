#pragma once
// The copy routine shared by the split and the merge: it moves a run of bytes from one file
// to another in blocks and, between blocks, sums the bytes, flushes the destination, keeps
// the progress bar, caption and timing lines current, polls for cancellation and lets the
// window handle its messages, so the window stays live without worker threads.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "engine/background_work.h"
#include "engine/operation_host.h"

class CFile64;
class Sha256;

// What CopyData returns when the user aborted or the program is asked to quit.
inline constexpr std::uint64_t kCopyCancelled = ~std::uint64_t{0};

inline constexpr std::uint32_t kMinCopyBufferSize = 8 * 1024;
inline constexpr std::uint32_t kMaxCopyBufferSize = 128 * 1024;

// With digests to feed, a copy reads into this many blocks in turn, so that the digests of one
// block are taken on another thread while the next are read and written: a few megabytes, so
// that neither thread waits out the other's pauses (a write on its way to the disk, a slow read).
inline constexpr std::uint32_t kDigestBlocks = 32;

// When the copy routine last did each of its throttled tasks (ticks of the host's clock;
// 0 means never). It belongs to the running operation, so each operation starts afresh.
struct CopyPacing {
  std::uint64_t lastCancelPoll = 0;
  std::uint64_t lastFlush = 0;  // the first flush moment only records the tick
  std::uint64_t lastProgress = 0;
  std::uint64_t lastStatistics = 0;
  int lastPercentage = -1;
};

// The copy buffer of one operation, released when the operation ends, also on failure. It holds
// kDigestBlocks blocks of Size() bytes, each starting on a page and reaching a page beyond
// Size(), so that a copy can place its blocks anywhere within the first page.
// It carries the copy routine's pacing and the thread that takes the digests, which live
// exactly as long as the operation.
class CopyBuffer {
 public:
  std::byte* Data(std::uint32_t block = 0) const { return data_.get() + block * BlockStride(); }
  std::uint32_t Size() const { return size_; }
  CopyPacing& Pacing() { return pacing_; }
  BackgroundWork& DigestWork() { return *digestWork_; }
  // From the start of one block to the next: whole pages, one more than Size() needs.
  std::uint32_t BlockStride() const;

 private:
  struct Release {
    void operator()(std::byte* data) const;
  };
  CopyBuffer(std::byte* data, std::uint32_t size)
      : data_(data), size_(size), digestWork_(std::make_unique<BackgroundWork>()) {}
  friend CopyBuffer AllocateCopyBuffer(std::uint64_t wanted);

  std::unique_ptr<std::byte[], Release> data_;
  std::uint32_t size_;
  CopyPacing pacing_;
  std::unique_ptr<BackgroundWork> digestWork_;
};

// The buffer size for the memory available now and the size wanted: a quarter of the
// memory, within 8 KiB to 128 KiB, and no more than wanted.
std::uint32_t CopyBufferSize(std::uint64_t availableMemory, std::uint64_t wanted);
// Allocates a buffer of that size for the physical memory available now; when memory is
// short the size is halved down to 8 KiB before the memory error passes on.
CopyBuffer AllocateCopyBuffer(std::uint64_t wanted);

enum class ProgressBar { none, shown };

// The SHA-256 digests that a copy feeds with every byte it reads, beside the byte sum. They are
// fed on the buffer's digest thread and are complete when the copy returns or raises.
using CopyDigests = std::span<Sha256* const>;

// One run of bytes for CopyData to move, with the totals it keeps. The copy advances
// `runningTotal` and adds every byte it reads to `byteSum` and `digests`.
struct CopyJob {
  CFile64& source;
  CFile64& destination;  // left alone while only verifying
  std::uint64_t count;   // bytes from the source's position on
  CopyBuffer& buffer;
  std::uint64_t operationTotal;  // the base of the percentage
  std::uint64_t& runningTotal;   // bytes of the operation copied so far
  std::uint32_t& byteSum;
  // With no progress bar only the operation's byte counters are kept, not the bar, caption or
  // lines.
  ProgressBar progressBar = ProgressBar::shown;
  bool verifyOnly = false;  // the bytes are read and summed, nothing is written
  CopyDigests digests = {};
  // With one, the CRC-32 of every byte read goes on from it, on the copy's own thread.
  std::uint32_t* crc = nullptr;
};

// Copies the job's bytes from the source's position to the destination's position. Returns the
// bytes copied: fewer than the count when the source ends early or the operation total would be
// overrun (the caller reports it), or kCopyCancelled. Raises file errors for failed reads,
// writes and flushes; the files stay open.
std::uint64_t CopyData(OperationHost& host, const CopyJob& job);

// When a cancel was requested or the Escape key is down, asks whether to abort. Returns true
// when the user confirms; a No clears the request and the operation goes on.
bool PollCancel(OperationHost& host);
