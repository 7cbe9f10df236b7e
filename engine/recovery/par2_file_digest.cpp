#include "engine/recovery/par2_file_digest.h"

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "engine/file64.h"
#include "engine/recovery/crc32.h"

namespace {

constexpr std::uint32_t kReadSize = 64 * 1024;
constexpr std::uint64_t kHash16kSize = 16 * 1024;
// The digests that the MD5 takes side by side where the processor has AVX-512; without it, two
// groups of sixteen.
constexpr std::size_t kMd5Lanes = 32;
// Files digested at once: with a whole-file and a slice digest each, they fill its lanes.
constexpr std::size_t kFilesAtOnce = kMd5Lanes / 2;

// The zeros that pad a short last slice.
const std::vector<std::uint8_t>& Zeros() {
  static const std::vector<std::uint8_t> zeros(kReadSize, 0);
  return zeros;
}

// The digests of one slice as its bytes pass.
struct SliceDigest {
  Md5 md5;
  std::uint32_t crc = 0;
  std::uint64_t taken = 0;   // of the file's bytes
  std::uint64_t padded = 0;  // zeros already given to the MD5

  Par2SliceCheck Finish(std::uint64_t sliceSize) {
    for (std::uint64_t left = sliceSize - taken - padded; left > 0;) {
      const std::uint64_t run = std::min<std::uint64_t>(left, Zeros().size());
      md5.Update(Zeros().data(), run);
      left -= run;
    }
    return {md5.Finish(), Crc32Zeros(crc, sliceSize - taken)};
  }
};

// The digests that one run goes to, and where it starts for each: at most two for each of the
// files read at once.
class RunDigests {
 public:
  void Add(Md5& digest, const std::uint8_t* data) {
    digests_[count_] = &digest;
    data_[count_++] = data;
  }
  void UpdateAll(std::size_t size) const {
    Md5::UpdateMany(std::span(digests_).first(count_), std::span(data_).first(count_), size);
  }

 private:
  std::array<Md5*, kMd5Lanes> digests_{};
  std::array<const std::uint8_t*, kMd5Lanes> data_{};
  std::size_t count_ = 0;
};

// One file as it is read, a run at a time: the MD5s of each run are left to the caller, so that
// those of several files can be taken together. Once the file has ended, the zeros that pad its
// last slice go through the same runs, side by side with the other files' bytes.
class DigestLane {
 public:
  DigestLane(Par2Read read, std::uint64_t sliceSize, std::uint64_t sliceLimit)
      : read_(std::move(read)),
        sliceSize_(sliceSize),
        sliceLimit_(sliceLimit),
        buffer_(kReadSize) {}

  // Reads on once the last run read is used up; false when the file and its padding have ended.
  bool Fill(const std::function<void(std::uint64_t)>& onRead) {
    if (offset_ < size_) return true;
    if (!padding_) {
      size_ = read_(buffer_.data(), kReadSize);
      offset_ = 0;
      if (size_ > 0) {
        if (onRead) onRead(size_);
        return true;
      }
      padding_ = true;
    }
    return PaddingLeft() > 0;
  }

  // The most the next run may take: to the end of what was read, of the slice and of the slices.
  std::uint64_t RunLeft() const {
    if (padding_) return std::min<std::uint64_t>(PaddingLeft(), Zeros().size());
    const std::uint64_t read = size_ - offset_;
    if (!InSlices()) return read;
    return std::min({read, sliceSize_ - slice_.taken, sliceLimit_ - position_});
  }

  // The digests that the next run goes to, and where it starts.
  void Gather(RunDigests& run) {
    if (padding_) {
      run.Add(slice_.md5, Zeros().data());
      return;
    }
    run.Add(whole_, Next());
    if (InSlices()) run.Add(slice_.md5, Next());
  }

  // The rest of the next run's work, once its MD5s have been taken.
  void Take(std::uint64_t run) {
    if (padding_) {
      slice_.padded += run;
      return;
    }
    const std::uint8_t* data = Next();
    if (position_ < kHash16kSize) {
      first16k_.Update(data, std::min<std::uint64_t>(run, kHash16kSize - position_));
    }
    if (InSlices()) {
      slice_.crc = Crc32(slice_.crc, data, run);
      slice_.taken += run;
      if (slice_.taken == sliceSize_) FinishSlice();
    }
    position_ += run;
    offset_ += run;
  }

  Par2File Finish() {
    if (slice_.taken > 0) FinishSlice();
    file_.length = position_;
    file_.hash = whole_.Finish();
    file_.hash16k = first16k_.Finish();
    return std::move(file_);
  }

 private:
  bool InSlices() const { return position_ < sliceLimit_; }
  // The zeros still to pad the unfinished last slice with; none when no slice is unfinished.
  std::uint64_t PaddingLeft() const {
    return slice_.taken == 0 ? 0 : sliceSize_ - slice_.taken - slice_.padded;
  }
  const std::uint8_t* Next() const { return buffer_.data() + offset_; }
  void FinishSlice() {
    file_.slices.push_back(slice_.Finish(sliceSize_));
    slice_ = SliceDigest{};
  }

  const Par2Read read_;
  const std::uint64_t sliceSize_;
  const std::uint64_t sliceLimit_;
  std::vector<std::uint8_t> buffer_;
  std::uint32_t size_ = 0;    // of the run read last
  std::uint32_t offset_ = 0;  // in it, of the bytes still to take
  std::uint64_t position_ = 0;
  bool padding_ = false;  // the file has ended: the last slice takes its zeros
  Md5 whole_;
  Md5 first16k_;
  SliceDigest slice_;
  Par2File file_;
};

Par2Read ReadOf(CFile64& input) {
  return [&input](void* buffer, std::uint32_t size) { return input.Read(buffer, size); };
}

// The next run of every lane, as long as the shortest of them allows; each has read its run.
void TakeRunTogether(std::span<DigestLane* const> lanes) {
  std::uint64_t run = UINT64_MAX;
  for (const DigestLane* lane : lanes) run = std::min(run, lane->RunLeft());
  RunDigests digests;
  for (DigestLane* lane : lanes) lane->Gather(digests);
  digests.UpdateAll(run);
  for (DigestLane* lane : lanes) lane->Take(run);
}

// A job handed by the caller and the lane that reads its file.
struct LaneOfJob {
  LaneOfJob(Par2DigestJob given, std::uint64_t sliceSize)
      : job(std::move(given)), lane(ReadOf(*job.input), sliceSize, job.sliceLimit) {}
  Par2DigestJob job;
  DigestLane lane;
};

}  // namespace

Par2File DigestPar2Data(CFile64& input, std::uint64_t sliceSize, std::uint64_t sliceLimit,
                        const std::function<void(std::uint64_t)>& onRead) {
  DigestLane lane(ReadOf(input), sliceSize, sliceLimit);
  DigestLane* const lanes[] = {&lane};
  while (lane.Fill(onRead)) TakeRunTogether(lanes);
  return lane.Finish();
}

Par2File DigestPar2Reads(const Par2Read& read, std::uint64_t sliceSize) {
  DigestLane lane(read, sliceSize, UINT64_MAX);
  DigestLane* const lanes[] = {&lane};
  while (lane.Fill({})) TakeRunTogether(lanes);
  return lane.Finish();
}

void DigestPar2Files(std::uint64_t sliceSize, const NextPar2Digest& next,
                     const std::function<void(std::uint64_t)>& onRead,
                     const Par2DigestReady& ready) {
  std::vector<std::unique_ptr<LaneOfJob>> open;
  std::vector<DigestLane*> lanes;
  const auto mayTakeMore = [&] { return open.empty() || !ready || ready(); };
  for (bool more = true;;) {
    while (more && open.size() < kFilesAtOnce && mayTakeMore()) {
      std::optional<Par2DigestJob> job = next();
      more = job.has_value();
      if (more) open.push_back(std::make_unique<LaneOfJob>(std::move(*job), sliceSize));
    }
    // A file that has ended hands its digests over and makes room for the next.
    for (auto file = open.begin(); file != open.end();) {
      if ((*file)->lane.Fill(onRead)) {
        ++file;
        continue;
      }
      (*file)->job.done((*file)->lane.Finish());
      file = open.erase(file);
    }
    if (more && open.size() < kFilesAtOnce && mayTakeMore()) continue;
    if (open.empty()) return;
    lanes.clear();
    for (const std::unique_ptr<LaneOfJob>& file : open) lanes.push_back(&file->lane);
    TakeRunTogether(lanes);
  }
}

std::vector<Par2SliceCheck> DigestPar2Slices(CFile64& input, std::uint64_t sliceSize,
                                             std::uint64_t length,
                                             const std::function<void(std::uint64_t)>& onRead) {
  std::vector<Par2SliceCheck> checks;
  std::vector<std::uint8_t> buffers(kMd5Lanes * kReadSize);
  for (std::uint64_t first = 0; first * sliceSize < length; first += kMd5Lanes) {
    // The slices of this group, each with how much of the file it holds.
    std::vector<SliceDigest> slices;
    std::vector<std::uint64_t> held;
    for (std::uint64_t k = first; k < first + kMd5Lanes && k * sliceSize < length; ++k) {
      slices.emplace_back();
      held.push_back(std::min(sliceSize, length - k * sliceSize));
    }
    std::vector<Md5*> digests;
    std::vector<const std::uint8_t*> runs;
    for (;;) {
      // Every slice but a short last one holds as much as the others: they go on together.
      digests.clear();
      runs.clear();
      std::uint64_t run = kReadSize;
      for (std::size_t i = 0; i < slices.size(); ++i) {
        if (slices[i].taken < held[i]) run = std::min(run, held[i] - slices[i].taken);
      }
      for (std::size_t i = 0; i < slices.size(); ++i) {
        SliceDigest& slice = slices[i];
        if (slice.taken == held[i]) continue;
        std::uint8_t* const buffer = buffers.data() + i * kReadSize;
        ReadExactlyAt(input, (first + i) * sliceSize + slice.taken, buffer,
                      static_cast<std::uint32_t>(run));
        if (onRead) onRead(run);
        slice.crc = Crc32(slice.crc, buffer, run);
        slice.taken += run;
        digests.push_back(&slice.md5);
        runs.push_back(buffer);
      }
      if (digests.empty()) break;
      Md5::UpdateMany(digests, runs, run);
    }
    for (SliceDigest& slice : slices) checks.push_back(slice.Finish(sliceSize));
  }
  return checks;
}

Par2File DigestPar2File(const std::string& path, const std::string& name, std::uint64_t sliceSize) {
  CFile64 input;
  CFileException error;
  if (!input.Open(path, false, &error)) RaiseFileError(error.cause, path);
  Par2File file = DigestPar2Data(input, sliceSize, UINT64_MAX);
  input.Close();
  file.name = name;
  file.id = Par2FileId(file.hash16k, file.length, file.name);
  return file;
}
