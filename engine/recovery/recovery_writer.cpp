#include "engine/recovery/recovery_writer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <span>
#include <utility>

#include "app/path_text.h"
#include "engine/background_work.h"
#include "engine/file64.h"
#include "engine/recovery/gf16.h"
#include "engine/recovery/gf16_matrix.h"
#include "engine/recovery/md5.h"
#include "engine/recovery/par2_format.h"
#include "engine/recovery/par2_slice_feed.h"
#include "engine/recovery/staged_outputs.h"

namespace {

// Small enough that a block and the recovery slices' runs it is added to stay in the cache.
constexpr std::uint32_t kReadBlock = 128 * 1024;
// Blocks read ahead of the slice checks, which are taken on a thread of their own.
constexpr std::size_t kDigestBlocks = 4;
constexpr std::uint64_t kHash16kSize = 16 * 1024;

// Where a packet header keeps its length and its MD5, which covers the bytes from the set id on.
constexpr std::size_t kLengthAt = 8;
constexpr std::size_t kHashAt = 16;
constexpr std::size_t kHashedFrom = 32;

// Reads `size` bytes, all of them: a file that ends sooner has changed under us.
void ReadFully(CFile64& file, const std::string& path, std::byte* buffer, std::uint32_t size) {
  for (std::uint32_t done = 0; done < size;) {
    const std::uint32_t read = file.Read(buffer + done, size - done);
    if (read == 0) RaiseFileError(CFileException::endOfFile, path);
    done += read;
  }
}

// A file's id, length and 16 KiB hash, from its first 16 KiB alone.
Par2File IdentifyFile(const std::string& path, std::vector<std::byte>& buffer) {
  CFile64 file;
  file.Open(path, false);
  Par2File identified;
  identified.name = FileNamePart(path);
  identified.length = file.Length();
  const auto head = static_cast<std::uint32_t>(std::min(identified.length, kHash16kSize));
  ReadFully(file, path, buffer.data(), head);
  file.Close();
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

  void Add(const std::byte* data, std::size_t size) { hash_.Update(data, size); }

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

// The bytes [a, b) of every recovery slice, as the input slices are added to them.
class RecoveryWindows {
 public:
  RecoveryWindows(std::size_t count, std::uint64_t width)
      : width_(width), bytes_(count * width), at_(count) {}

  void Clear() { std::ranges::fill(bytes_, std::byte{0}); }
  std::span<const std::byte> Slice(std::size_t index, std::uint64_t size) const {
    return {bytes_.data() + index * width_, size};
  }

  // Adds factors[j] times the run to recovery slice j, `offset` bytes into the window.
  void Add(std::span<const std::uint16_t> factors, std::uint64_t offset, const std::byte* data,
           std::size_t size) {
    for (std::size_t j = 0; j < at_.size(); ++j) at_[j] = bytes_.data() + j * width_ + offset;
    const std::size_t even = size & ~std::size_t{1};
    gf16::MultiplyAccumulateMany(at_, factors, data, even);
    // The odd byte at the end of a file is the low byte of a word padded with zero; the window
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

// What the set records of a file's contents: its MD5, taken as it is read, and the checks of
// its slices, taken on the digest thread.
struct FileDigests {
  Md5 file;
  Par2SliceFeed slices;
};

class RecoveryWriter {
 public:
  RecoveryWriter(const std::vector<std::string>& files, const std::string& pathPrefix,
                 const RecoveryLayout& layout, const RecoveryProgress& progress,
                 std::size_t memoryBudget)
      : layout_(layout),
        progress_(progress),
        recoveryCount_(std::size_t{layout.volumeCount} * layout.slicesPerVolume),
        window_(WindowWidth(memoryBudget)),
        windows_(recoveryCount_, window_),
        buffer_(kDigestBlocks * kReadBlock) {
    OrderFiles(files);
    for (std::uint32_t exponent = 0; exponent < recoveryCount_; ++exponent) {
      headers_.emplace_back(set_, exponent);
    }
    targets_.push_back(RecoveryIndexPath(pathPrefix));
    for (const std::string& path : RecoveryVolumePaths(pathPrefix, layout)) {
      targets_.push_back(path);
    }
    for (const std::string& target : targets_) outputs_.Stage(target);
  }

  std::vector<std::string> Write() {
    const std::uint64_t sliceSize = layout_.sliceSize;
    // When every recovery slice fits at once, one read of the files serves the digests too.
    const bool onePass = window_ == sliceSize;
    for (const Par2File& file : set_.files) total_ += onePass ? file.length : 2 * file.length;
    if (!onePass) DigestFiles();
    for (std::uint64_t a = 0; a < sliceSize; a += window_) {
      const std::uint64_t b = std::min(a + window_, sliceSize);
      if (a > 0) windows_.Clear();
      AddInputWindows(a, b, onePass);
      WriteRecoveryWindows(a, b);
    }
    digestWork_.Finish();
    for (std::size_t f = 0; f < digests_.size(); ++f) {
      set_.files[f].hash = digests_[f].file.Finish();
      set_.files[f].slices = digests_[f].slices.Finish();
    }
    WriteHeadersAndCriticalPackets();
    outputs_.PutInPlace();
    return targets_;
  }

 private:
  // As wide as the budget allows for every recovery slice, in whole words of four bytes.
  std::uint64_t WindowWidth(std::size_t memoryBudget) const {
    if (recoveryCount_ == 0) return layout_.sliceSize;
    const std::uint64_t fits = memoryBudget / recoveryCount_ / 4 * 4;
    return std::clamp<std::uint64_t>(fits, 4, layout_.sliceSize);
  }

  // The set's order and id come from the files' ids alone, so the recovery slices can be formed
  // in that order while the whole-file digests are still being taken.
  void OrderFiles(const std::vector<std::string>& files) {
    set_.sliceSize = layout_.sliceSize;
    std::map<Par2Id, std::string> pathOfId;
    for (const std::string& path : files) {
      Par2File file = IdentifyFile(path, buffer_);
      // An empty file is left out, as PAR2 tools leave it out: they take it for a damaged one.
      if (file.length == 0) continue;
      pathOfId.emplace(file.id, path);
      set_.files.push_back(std::move(file));
    }
    FinishPar2Set(set_);
    std::uint64_t slices = 0;
    for (const Par2File& file : set_.files) {
      inputPaths_.push_back(pathOfId.at(file.id));
      slices += Par2SliceCount(file.length, layout_.sliceSize);
    }
    constants_ = InputSliceConstants(static_cast<std::uint32_t>(slices));
    digests_.assign(set_.files.size(), FileDigests{{}, Par2SliceFeed(layout_.sliceSize)});
  }

  void DigestFiles() {
    for (std::size_t f = 0; f < set_.files.size(); ++f) {
      CFile64 input;
      input.Open(inputPaths_[f], false);
      ReadRun(input, f, 0, set_.files[f].length, true,
              [](const std::byte*, std::uint64_t, std::uint32_t) {});
      input.Close();
    }
    // The passes that follow read into every block.
    digestWork_.Finish();
  }

  // Bytes [a, b) of every input slice, in the set's order, into the recovery windows.
  void AddInputWindows(std::uint64_t a, std::uint64_t b, bool digest) {
    std::size_t slice = 0;
    for (std::size_t f = 0; f < set_.files.size(); ++f) {
      const std::uint64_t length = set_.files[f].length;
      CFile64 input;
      input.Open(inputPaths_[f], false);
      for (std::uint64_t start = 0; start < length; start += layout_.sliceSize, ++slice) {
        const std::uint64_t begin = start + a;
        const std::uint64_t end = std::min(start + b, length);
        if (begin >= end) continue;
        SetFactors(constants_[slice]);
        ReadRun(input, f, begin, end, digest,
                [this](const std::byte* data, std::uint64_t offset, std::uint32_t size) {
                  windows_.Add(factors_, offset, data, size);
                });
      }
      input.Close();
    }
  }

  // Input slice i adds c_i^e times itself to the recovery slice of exponent e.
  void SetFactors(std::uint16_t constant) {
    factors_.resize(recoveryCount_);
    std::uint16_t power = 1;
    for (std::uint16_t& factor : factors_) {
      factor = power;
      power = gf16::Multiply(power, constant);
    }
  }

  // Reads bytes [begin, end) of input file f block by block, feeding them to the file's digests
  // when `digest` is set; `use` takes each block, its offset from `begin` and its size.
  template <typename Use>
  void ReadRun(CFile64& input, std::size_t f, std::uint64_t begin, std::uint64_t end, bool digest,
               Use use) {
    input.SeekToBegin(begin);
    for (std::uint64_t at = begin; at < end;) {
      const auto size = static_cast<std::uint32_t>(std::min<std::uint64_t>(kReadBlock, end - at));
      std::byte* const data = buffer_.data() + nextBlock_ * kReadBlock;
      ReadFully(input, inputPaths_[f], data, size);
      if (digest) {
        Par2SliceFeed* const slices = &digests_[f].slices;
        digestWork_.Hand([slices, data, size] { slices->Add(data, size); });
        digests_[f].file.Update(data, size);
      }
      use(data, at - begin, size);
      // The block read next must no longer be in the slice checks' hands.
      nextBlock_ = (nextBlock_ + 1) % kDigestBlocks;
      if (digest) digestWork_.WaitUntilAtMost(kDigestBlocks - 1);
      at += size;
      done_ += size;
      if (progress_) progress_(done_, total_);
    }
  }

  CFile64& VolumeOf(std::size_t recoverySlice) {
    return outputs_.File(1 + recoverySlice / layout_.slicesPerVolume);
  }
  std::uint64_t PacketOffset(std::size_t recoverySlice) const {
    return recoverySlice % layout_.slicesPerVolume * (kPar2RecoveryPrefixSize + layout_.sliceSize);
  }

  void WriteRecoveryWindows(std::uint64_t a, std::uint64_t b) {
    for (std::size_t j = 0; j < recoveryCount_; ++j) {
      const std::span<const std::byte> data = windows_.Slice(j, b - a);
      headers_[j].Add(data.data(), data.size());
      CFile64& volume = VolumeOf(j);
      volume.SeekToBegin(PacketOffset(j) + kPar2RecoveryPrefixSize + a);
      WriteAll(volume, data.data(), data.size());
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
    WriteAll(outputs_.File(0), critical.data(), critical.size());
    const std::uint64_t criticalAt =
        layout_.slicesPerVolume * (kPar2RecoveryPrefixSize + layout_.sliceSize);
    for (std::size_t v = 1; v < targets_.size(); ++v) {
      outputs_.File(v).SeekToBegin(criticalAt);
      WriteAll(outputs_.File(v), critical.data(), critical.size());
    }
  }

  const RecoveryLayout& layout_;
  const RecoveryProgress& progress_;
  const std::size_t recoveryCount_;
  const std::uint64_t window_;
  RecoveryWindows windows_;
  std::vector<std::byte> buffer_;
  Par2Set set_;
  std::vector<std::string> inputPaths_;  // of set_.files
  std::vector<std::uint16_t> constants_;
  std::vector<std::uint16_t> factors_;
  std::vector<RecoveryPacketHeader> headers_;  // by exponent
  std::vector<std::string> targets_;           // the index, then the volumes
  StagedOutputs outputs_;
  std::vector<FileDigests> digests_;  // of set_.files
  std::uint64_t total_ = 0;
  std::uint64_t done_ = 0;
  std::size_t nextBlock_ = 0;  // of buffer_
  // Last, so that it stops before what its tasks use goes.
  BackgroundWork digestWork_;
};

}  // namespace

std::vector<std::string> WriteRecoveryFiles(const std::vector<std::string>& files,
                                            const std::string& pathPrefix,
                                            const RecoveryLayout& layout,
                                            const RecoveryProgress& progress,
                                            std::size_t memoryBudget) {
  RecoveryWriter writer(files, pathPrefix, layout, progress, memoryBudget);
  return writer.Write();
}
