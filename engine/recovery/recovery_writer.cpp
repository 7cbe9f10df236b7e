#include "engine/recovery/recovery_writer.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <utility>

#include "base/path_text.h"
#include "engine/background_work.h"
#include "engine/file64.h"
#include "engine/recovery/gf16.h"
#include "engine/recovery/gf16_matrix.h"
#include "engine/recovery/md5.h"
#include "engine/recovery/par2_file_digest.h"
#include "engine/recovery/par2_format.h"
#include "engine/recovery/recovery_input.h"
#include "engine/recovery/shared_file_work.h"
#include "engine/recovery/staged_outputs.h"

namespace {

// The recovery slices are formed a chunk at a time: the same run of every input slice is added
// to the same run of every recovery slice, which then stay in the processor's cache while all
// the input slices pass through them.
constexpr std::uint64_t kCachedRecoveryBytes = 1 << 20;
// Below this, the reads of the input slices' runs would cost more than the cache saves.
constexpr std::uint64_t kLeastChunk = 16 * 1024;
constexpr std::uint64_t kHash16kSize = 16 * 1024;
// How often a thread waiting for the digests taken elsewhere looks whether passes are left.
constexpr std::chrono::milliseconds kDigestsWaitSlice{10};

// Where a packet header keeps its length and its MD5, which covers the bytes from the set id on.
constexpr std::size_t kLengthAt = 8;
constexpr std::size_t kHashAt = 16;
constexpr std::size_t kHashedFrom = 32;

// A file's id, length and 16 KiB hash, from its first 16 KiB alone.
Par2File IdentifyFile(const RecoveryInput& input, std::vector<std::byte>& buffer) {
  RecoveryInput::Reader reader(input);
  Par2File identified;
  identified.name = input.Name();
  identified.length = reader.Length();
  const auto head = static_cast<std::uint32_t>(std::min(identified.length, kHash16kSize));
  reader.ReadAt(0, buffer.data(), head);
  identified.hash16k = Md5Of(buffer.data(), head);
  identified.id = Par2FileId(identified.hash16k, identified.length, identified.name);
  return identified;
}

// The Main packet, a File Description and a slice checksum packet per file, and Creator: what
// the index holds and every volume holds once.
std::vector<std::uint8_t> CriticalPackets(const Par2Set& set) {
  std::vector<std::uint8_t> packets;
  const auto append = [&packets](const std::vector<std::uint8_t>& packet) {
    const std::size_t at = packets.size();
    packets.resize(at + packet.size());
    std::memcpy(packets.data() + at, packet.data(), packet.size());
  };
  append(EncodeMainPacket(set));
  for (const Par2File& file : set.files) {
    append(EncodeFileDescriptionPacket(set, file));
    append(EncodeSliceChecksumPacket(set, file));
  }
  append(EncodeCreatorPacket(set, kRecoveryCreator));
  return packets;
}

void WriteAll(CFile64& file, const void* data, std::uint64_t size) {
  auto bytes = static_cast<const std::byte*>(data);
  constexpr std::uint64_t kMostAtOnce = 1u << 30;
  for (std::uint64_t done = 0; done < size;) {
    const auto run = static_cast<std::uint32_t>(std::min(size - done, kMostAtOnce));
    file.Write(bytes + done, run);
    done += run;
  }
}

// The header of a recovery packet whose data is hashed window by window, in order. The prefix
// of a packet without data already holds what the hash covers before the data (set id, type,
// exponent); the length and the hash are those of the whole packet.
class RecoveryPacketHeader {
 public:
  RecoveryPacketHeader(const Par2Set& set, std::uint32_t exponent)
      : prefix_(EncodeRecoveryPacketPrefix(set, exponent, {})) {
    hash_.Update(prefix_.data() + kHashedFrom, prefix_.size() - kHashedFrom);
  }

  // Each packet's run of the same size, hashed side by side.
  static void AddRuns(std::span<RecoveryPacketHeader> headers,
                      std::span<const std::uint8_t* const> runs, std::size_t size) {
    std::vector<Md5*> hashes;
    for (RecoveryPacketHeader& header : headers) hashes.push_back(&header.hash_);
    Md5::UpdateMany(hashes, runs, size);
  }

  std::array<std::uint8_t, kPar2RecoveryPrefixSize> Finish(std::uint64_t dataSize) {
    const std::uint64_t length = kPar2RecoveryPrefixSize + dataSize;
    for (std::size_t i = 0; i < 8; ++i) {
      prefix_[kLengthAt + i] = static_cast<std::uint8_t>(length >> (8 * i));
    }
    const Md5Digest hash = hash_.Finish();
    std::copy(hash.begin(), hash.end(), prefix_.begin() + kHashAt);
    return prefix_;
  }

 private:
  std::array<std::uint8_t, kPar2RecoveryPrefixSize> prefix_;
  Md5 hash_;
};

// The same run of every recovery slice, as the input slices' runs are added to it.
class RecoveryChunks {
 public:
  RecoveryChunks(std::size_t count, std::uint64_t width)
      : width_(width), bytes_(count * width), at_(count) {}

  void Clear() { std::ranges::fill(bytes_, std::byte{0}); }
  const std::byte* Slice(std::size_t index) const { return bytes_.data() + index * width_; }

  // Adds factors[j] times the run to recovery slice j's chunk.
  void Add(std::span<const std::uint16_t> factors, const std::byte* data, std::size_t size) {
    for (std::size_t j = 0; j < at_.size(); ++j) at_[j] = bytes_.data() + j * width_;
    const std::size_t even = size & ~std::size_t{1};
    gf16::MultiplyAccumulateMany(at_, factors, data, even);
    // The odd byte at the end of a file is the low byte of a word padded with zero; the chunk
    // always has room for the whole word.
    if (even < size) {
      const std::byte word[2] = {data[even], std::byte{0}};
      for (std::byte*& at : at_) at += even;
      gf16::MultiplyAccumulateMany(at_, factors, word, 2);
    }
  }

 private:
  std::uint64_t width_;
  std::vector<std::byte> bytes_;
  std::vector<std::byte*> at_;
};

// What one thread needs for its share of the chunk passes: inputs open through all the passes
// (a pass reads only a chunk of each slice), the recovery slices' chunks and a chunk's buffer.
struct PassWorker {
  PassWorker(const std::vector<RecoveryInput>& inputs, std::size_t recoveryCount,
             std::uint64_t chunk)
      : chunks(recoveryCount, chunk), buffer(chunk) {
    readers.reserve(inputs.size());
    for (const RecoveryInput& input : inputs) readers.emplace_back(input);
  }

  std::vector<RecoveryInput::Reader> readers;
  RecoveryChunks chunks;
  std::vector<std::byte> buffer;
  std::vector<std::uint16_t> factors;
};

// The chunk passes, handed to the threads that form them, and their endings in order: a recovery
// packet's hash takes its data in order.
class ChunkPasses {
 public:
  explicit ChunkPasses(std::uint64_t count) : count_(count) {}

  // The next pass to form, or nothing once none is left or the passes were stopped.
  std::optional<std::uint64_t> Take() {
    const std::uint64_t pass = next_++;
    if (pass >= count_ || stopped_) return std::nullopt;
    return pass;
  }
  // Whether a pass is still to be taken.
  bool AnyLeft() const { return next_ < count_ && !stopped_; }
  // Waits until every pass before `pass` has ended; false once the passes were stopped.
  bool WaitForTurn(std::uint64_t pass) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return ended_ == pass || stopped_; });
    return !stopped_;
  }
  void EndTurn(std::uint64_t pass) {
    std::lock_guard lock(mutex_);
    ended_ = pass + 1;
    changed_.notify_all();
  }
  void Stop() {
    std::lock_guard lock(mutex_);
    stopped_ = true;
    changed_.notify_all();
  }

 private:
  const std::uint64_t count_;
  std::atomic<std::uint64_t> next_ = 0;
  std::atomic<bool> stopped_ = false;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::uint64_t ended_ = 0;
};

class RecoveryWriter {
 public:
  RecoveryWriter(std::vector<RecoveryInput> files, const std::string& pathPrefix,
                 const RecoveryLayout& layout, const RecoveryProgress& progress,
                 const RecoveryDigestsElsewhere* digestsTaken, RecoveryFileChoice choice,
                 std::size_t memoryBudget)
      : layout_(layout),
        progress_(progress),
        digestsTaken_(digestsTaken),
        firstVolume_(std::min(choice.firstVolume, layout.volumeCount)),
        volumeEnd_(std::clamp(choice.volumeEnd, firstVolume_, layout.volumeCount)),
        firstExponent_(firstVolume_ * layout.slicesPerVolume),
        recoveryCount_(std::size_t{volumeEnd_ - firstVolume_} * layout.slicesPerVolume),
        firstVolumeOutput_(choice.index ? 1 : 0),
        chunk_(ChunkWidth(memoryBudget, digestsTaken != nullptr ? 2 : 1)),
        buffer_(kHash16kSize) {
    OrderFiles(std::move(files));
    for (std::uint32_t j = 0; j < recoveryCount_; ++j) {
      headers_.emplace_back(set_, firstExponent_ + j);
    }
    if (choice.index) targets_.push_back(RecoveryIndexPath(pathPrefix));
    const std::vector<std::string> volumes = RecoveryVolumePaths(pathPrefix, layout);
    targets_.insert(targets_.end(), volumes.begin() + firstVolume_, volumes.begin() + volumeEnd_);
    for (const std::string& target : targets_) outputs_.Stage(target);
  }

  // With the digests taken elsewhere, both threads form the recovery slices. Otherwise the
  // files are read twice at once: in order for their digests, on a thread of their own, and
  // chunk by chunk of every slice for the recovery slices, here; then this thread takes the
  // files whose digests are still to be taken.
  std::vector<std::string> Write() {
    std::vector<std::uint64_t> lengths;
    for (const Par2File& file : set_.files) lengths.push_back(file.length);
    for (const std::uint64_t length : lengths) total_ += length;
    if (digestsTaken_ != nullptr) {
      FormRecoverySlicesTogether();
      KeepTakenDigests(digestsTaken_->take());
    } else {
      if (recoveryCount_ > 0) total_ *= 2;
      digestWork_.Start(lengths);
      FormRecoverySlicesAlone();
      digestWork_.Finish();
    }
    for (std::size_t f = 0; f < set_.files.size(); ++f) {
      set_.files[f].hash = digests_[f].hash;
      set_.files[f].slices = std::move(digests_[f].slices);
    }
    WriteHeadersAndCriticalPackets();
    outputs_.PutInPlace();
    return targets_;
  }

 private:
  // As wide as keeps each thread's chunks of the recovery slices in the cache, within the
  // budget, in whole words of four bytes.
  std::uint64_t ChunkWidth(std::size_t memoryBudget, std::size_t workers) const {
    if (recoveryCount_ == 0) return 4;
    const std::uint64_t cached = std::max(kCachedRecoveryBytes / recoveryCount_, kLeastChunk);
    const std::uint64_t width =
        std::min<std::uint64_t>(cached, memoryBudget / workers / recoveryCount_);
    return std::clamp<std::uint64_t>(width / 4 * 4, 4, layout_.sliceSize);
  }

  // The set's order and id come from the files' ids alone, so the recovery slices can be formed
  // in that order while the whole-file digests are still being taken.
  void OrderFiles(std::vector<RecoveryInput> files) {
    set_.sliceSize = layout_.sliceSize;
    std::map<Par2Id, std::size_t> indexOfId;
    for (std::size_t i = 0; i < files.size(); ++i) {
      Par2File file = IdentifyFile(files[i], buffer_);
      // An empty file is left out, as PAR2 tools leave it out: they take it for a damaged one.
      if (file.length == 0) continue;
      indexOfId.emplace(file.id, i);
      set_.files.push_back(std::move(file));
    }
    FinishPar2Set(set_);
    std::uint64_t slices = 0;
    for (const Par2File& file : set_.files) {
      inputIndexes_.push_back(indexOfId.at(file.id));
      inputs_.push_back(std::move(files[inputIndexes_.back()]));
      slices += Par2SliceCount(file.length, layout_.sliceSize);
    }
    constants_ = InputSliceConstants(static_cast<std::uint32_t>(slices));
    digests_.resize(set_.files.size());
  }

  // The files that `next` hands, several at once.
  void DigestFiles(const SharedFileWork::Next& next, const SharedFileWork::Read& read) {
    const NextPar2Digest nextJob = [&]() -> std::optional<Par2DigestJob> {
      const std::optional<std::size_t> f = next();
      if (!f) return std::nullopt;
      auto input = std::make_unique<CFile64>();
      input->Open(inputs_[*f].ErrorPath(), false);
      return Par2DigestJob{std::move(input), UINT64_MAX,
                           [this, f = *f](Par2File digest) { KeepDigest(f, std::move(digest)); }};
    };
    DigestPar2Files(layout_.sliceSize, nextJob, read);
  }

  // The digests taken elsewhere, by the index of the files as given; a file that has none is
  // read here.
  void KeepTakenDigests(std::vector<std::optional<Par2File>> taken) {
    for (std::size_t f = 0; f < set_.files.size(); ++f) {
      std::optional<Par2File>& digest = taken.at(inputIndexes_[f]);
      if (!digest) {
        digest = DigestOfInput(inputs_[f]);
      }
      KeepDigest(f, std::move(*digest));
    }
  }

  Par2File DigestOfInput(const RecoveryInput& input) const {
    RecoveryInput::Reader reader(input);
    std::uint64_t at = 0;
    const auto read = [&](void* buffer, std::uint32_t size) {
      const auto run =
          static_cast<std::uint32_t>(std::min<std::uint64_t>(size, reader.Length() - at));
      reader.ReadAt(at, static_cast<std::byte*>(buffer), run);
      at += run;
      return run;
    };
    return DigestPar2Reads(read, layout_.sliceSize);
  }

  void KeepDigest(std::size_t f, Par2File digest) {
    // A file that changed since it was identified would leave the set describing neither.
    if (digest.length != set_.files[f].length || digest.hash16k != set_.files[f].hash16k) {
      RaiseFileError(CFileException::endOfFile, inputs_[f].ErrorPath());
    }
    digests_[f] = std::move(digest);
  }

  std::uint64_t PassCount() const { return (layout_.sliceSize + chunk_ - 1) / chunk_; }

  void FormRecoverySlicesAlone() {
    if (recoveryCount_ == 0) return;
    ChunkPasses passes(PassCount());
    PassWorker here(inputs_, recoveryCount_, chunk_);
    FormPasses(passes, here, true);
  }

  // The passes taken in turn by this thread and another, each with its own chunks.
  void FormRecoverySlicesTogether() {
    if (recoveryCount_ == 0) return;
    ChunkPasses passes(PassCount());
    PassWorker here(inputs_, recoveryCount_, chunk_);
    PassWorker there(inputs_, recoveryCount_, chunk_);
    // Last, so that it stops before the passes and its worker go.
    BackgroundWork other;
    other.Hand([&] {
      WaitForDigestsElsewhere(passes);
      FormPasses(passes, there, false);
    });
    try {
      FormPasses(passes, here, true);
      while (!other.WaitUntilAtMost(0, kRecoveryReportInterval)) Report();
    } catch (...) {
      passes.Stop();
      throw;
    }
  }

  // The digests taken elsewhere are what the recovery files wait for longest: until they are in,
  // one thread forms the passes and theirs has a core of its own.
  void WaitForDigestsElsewhere(const ChunkPasses& passes) const {
    if (!digestsTaken_->await) return;
    while (passes.AnyLeft() && !digestsTaken_->await(kDigestsWaitSlice)) {
    }
  }

  // Forms the passes this thread takes, each ending in its turn; `here` on the operation's
  // thread, which alone reports. A failure stops the other thread's passes too.
  void FormPasses(ChunkPasses& passes, PassWorker& worker, bool here) {
    try {
      while (const std::optional<std::uint64_t> pass = passes.Take()) {
        const std::uint64_t a = *pass * chunk_;
        const std::uint64_t b = std::min(a + chunk_, layout_.sliceSize);
        worker.chunks.Clear();
        AddInputChunks(worker, a, b, here);
        if (!passes.WaitForTurn(*pass)) return;
        WriteRecoveryChunks(worker.chunks, a, b);
        passes.EndTurn(*pass);
      }
    } catch (...) {
      passes.Stop();
      throw;
    }
  }

  // Bytes [a, b) of every input slice, in the set's order, into the worker's chunks of the
  // recovery slices.
  void AddInputChunks(PassWorker& worker, std::uint64_t a, std::uint64_t b, bool here) {
    std::size_t slice = 0;
    for (std::size_t f = 0; f < set_.files.size(); ++f) {
      const std::uint64_t length = set_.files[f].length;
      RecoveryInput::Reader& input = worker.readers[f];
      for (std::uint64_t start = 0; start < length; start += layout_.sliceSize, ++slice) {
        const std::uint64_t begin = start + a;
        const std::uint64_t end = std::min(start + b, length);
        if (begin >= end) continue;
        const auto size = static_cast<std::uint32_t>(end - begin);
        input.ReadAt(begin, worker.buffer.data(), size);
        SetFactors(worker.factors, constants_[slice]);
        worker.chunks.Add(worker.factors, worker.buffer.data(), size);
        added_ += size;
        if (here) Report();
      }
    }
  }

  // Input slice i adds c_i^e times itself to the recovery slice of exponent e.
  void SetFactors(std::vector<std::uint16_t>& factors, std::uint16_t constant) const {
    factors.resize(recoveryCount_);
    std::uint16_t power = gf16::Power(constant, firstExponent_);
    for (std::uint16_t& factor : factors) {
      factor = power;
      power = gf16::Multiply(power, constant);
    }
  }

  void Report() {
    if (progress_) progress_(added_ + digestWork_.BytesRead(), total_);
  }

  CFile64& VolumeOf(std::size_t recoverySlice) {
    return outputs_.File(firstVolumeOutput_ + recoverySlice / layout_.slicesPerVolume);
  }
  std::uint64_t PacketOffset(std::size_t recoverySlice) const {
    return recoverySlice % layout_.slicesPerVolume * (kPar2RecoveryPrefixSize + layout_.sliceSize);
  }

  // The finished chunk [a, b) of every recovery slice into its packet's hash and its volume.
  void WriteRecoveryChunks(const RecoveryChunks& chunks, std::uint64_t a, std::uint64_t b) {
    const std::size_t size = b - a;
    std::vector<const std::uint8_t*> runs;
    for (std::size_t j = 0; j < recoveryCount_; ++j) {
      runs.push_back(reinterpret_cast<const std::uint8_t*>(chunks.Slice(j)));
    }
    RecoveryPacketHeader::AddRuns(headers_, runs, size);
    for (std::size_t j = 0; j < recoveryCount_; ++j) {
      CFile64& volume = VolumeOf(j);
      volume.SeekToBegin(PacketOffset(j) + kPar2RecoveryPrefixSize + a);
      WriteAll(volume, chunks.Slice(j), size);
    }
  }

  // Each volume: its recovery packets, then the critical packets once.
  void WriteHeadersAndCriticalPackets() {
    for (std::size_t j = 0; j < recoveryCount_; ++j) {
      CFile64& volume = VolumeOf(j);
      volume.SeekToBegin(PacketOffset(j));
      const auto header = headers_[j].Finish(layout_.sliceSize);
      WriteAll(volume, header.data(), header.size());
    }
    const std::vector<std::uint8_t> critical = CriticalPackets(set_);
    if (firstVolumeOutput_ == 1) WriteAll(outputs_.File(0), critical.data(), critical.size());
    const std::uint64_t criticalAt =
        layout_.slicesPerVolume * (kPar2RecoveryPrefixSize + layout_.sliceSize);
    for (std::size_t v = firstVolumeOutput_; v < targets_.size(); ++v) {
      outputs_.File(v).SeekToBegin(criticalAt);
      WriteAll(outputs_.File(v), critical.data(), critical.size());
    }
  }

  const RecoveryLayout& layout_;
  const RecoveryProgress& progress_;
  const RecoveryDigestsElsewhere* const digestsTaken_;
  const std::uint32_t firstVolume_;  // of those written
  const std::uint32_t volumeEnd_;
  const std::uint32_t firstExponent_;
  const std::size_t recoveryCount_;      // of the volumes written
  const std::size_t firstVolumeOutput_;  // 1 behind the index
  const std::uint64_t chunk_;
  std::vector<std::byte> buffer_;  // a file's first 16 KiB
  Par2Set set_;
  std::vector<std::size_t> inputIndexes_;  // of set_.files, among the files given
  std::vector<RecoveryInput> inputs_;      // of set_.files
  std::vector<std::uint16_t> constants_;
  std::vector<RecoveryPacketHeader> headers_;  // of the volumes written, by exponent
  std::vector<std::string> targets_;           // the index, then the volumes
  StagedOutputs outputs_;
  std::vector<Par2File> digests_;         // of set_.files, each written by the thread that takes it
  std::atomic<std::uint64_t> added_ = 0;  // input bytes added to the recovery slices
  std::uint64_t total_ = 0;
  // Last, so that it stops before what its work uses goes.
  SharedFileWork digestWork_{[this](const SharedFileWork::Next& next,
                                    const SharedFileWork::Read& read) { DigestFiles(next, read); },
                             [this] { Report(); }};
};

std::vector<RecoveryInput> InputsOfFiles(const std::vector<std::string>& files) {
  std::vector<RecoveryInput> inputs;
  for (const std::string& path : files) inputs.push_back(RecoveryInput::OfFile(path));
  return inputs;
}

}  // namespace

std::vector<std::string> WriteRecoveryFiles(const std::vector<std::string>& files,
                                            const std::string& pathPrefix,
                                            const RecoveryLayout& layout,
                                            const RecoveryProgress& progress,
                                            std::size_t memoryBudget) {
  RecoveryWriter writer(InputsOfFiles(files), pathPrefix, layout, progress, nullptr, {},
                        memoryBudget);
  return writer.Write();
}

std::vector<std::string> WriteRecoveryFiles(const std::vector<std::string>& files,
                                            const std::string& pathPrefix,
                                            const RecoveryLayout& layout,
                                            const RecoveryProgress& progress,
                                            const RecoveryDigestsElsewhere& digestsTaken,
                                            std::size_t memoryBudget) {
  return WriteRecoveryFiles(InputsOfFiles(files), pathPrefix, layout, progress, digestsTaken, {},
                            memoryBudget);
}

std::vector<std::string> WriteRecoveryFiles(std::vector<RecoveryInput> inputs,
                                            const std::string& pathPrefix,
                                            const RecoveryLayout& layout,
                                            const RecoveryProgress& progress,
                                            const RecoveryDigestsElsewhere& digestsTaken,
                                            RecoveryFileChoice choice, std::size_t memoryBudget) {
  RecoveryWriter writer(std::move(inputs), pathPrefix, layout, progress, &digestsTaken, choice,
                        memoryBudget);
  return writer.Write();
}
