#include "engine/recovery/par2_repair.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "base/exceptions.h"
#include "base/text_format.h"
#include "engine/background_work.h"
#include "engine/disk_space.h"
#include "engine/file64.h"
#include "engine/merge/temporary_file.h"
#include "engine/recovery/gf16.h"
#include "engine/recovery/gf16_matrix.h"
#include "engine/recovery/par2_file_digest.h"
#include "engine/recovery/shared_file_work.h"
#include "res/resource.h"

namespace {

// The slices are rebuilt a window at a time: every present slice's run passes through the same
// runs of every syndrome, which then stay in the processor's cache.
constexpr std::uint64_t kCachedSyndromeBytes = 1 << 20;
// Below this, the reads of the slices' runs would cost more than the cache saves.
constexpr std::uint64_t kLeastWindow = 16 * 1024;

// Tells the caller the bytes done so far of a total fixed at the start.
class ProgressCount {
 public:
  ProgressCount(const RecoveryProgress& progress, std::uint64_t total)
      : progress_(progress), total_(total) {
    Report();
  }
  void Add(std::uint64_t bytes) { Reach(done_ + bytes); }
  void AddToTotal(std::uint64_t bytes) {
    total_ += bytes;
    Report();
  }
  std::uint64_t Done() const { return done_; }
  void Reach(std::uint64_t done) {
    done_ = done;
    Report();
  }

 private:
  void Report() {
    if (progress_) progress_(std::min(done_, total_), total_);
  }
  const RecoveryProgress& progress_;
  std::uint64_t total_;
  std::uint64_t done_ = 0;
};

// The file's check when it cannot be read; the file opened for its digests when it can.
std::unique_ptr<CFile64> OpenToCheck(const Par2File& file, std::uint64_t sliceSize,
                                     const std::string& path, Par2FileCheck& check) {
  check = Par2FileCheck{};
  check.goodSlices.assign(Par2SliceCount(file.length, sliceSize), false);
  auto input = std::make_unique<CFile64>();
  CFileException error;
  if (input->Open(path, false, &error)) return input;
  // Missing all the same, but a file that is there and cannot be read is worth naming.
  if (error.cause != CFileException::fileNotFound && error.cause != CFileException::badPath) {
    check.openError = ReasonOf(error);
  }
  return nullptr;
}

// The file's check from the digests of what it holds.
Par2FileCheck JudgeFile(const Par2File& file, std::uint64_t sliceSize, const Par2File& found) {
  if (found.length == file.length && found.hash == file.hash) {
    return {Par2FileState::good, {}, {}};
  }
  Par2FileCheck check;
  const std::uint64_t count = Par2SliceCount(file.length, sliceSize);
  check.goodSlices.assign(count, false);
  check.state = Par2FileState::damaged;
  if (file.slices.size() != count) return check;
  for (std::uint64_t s = 0; s < count && s < found.slices.size(); ++s) {
    // A slice of a short file counts only when all of its stored bytes are there.
    const std::uint64_t end = std::min((s + 1) * sliceSize, file.length);
    check.goodSlices[s] = found.length >= end && found.slices[s] == file.slices[s];
  }
  return check;
}

// An input slice of the set: its file, its place in the file and its number in the set.
struct SliceRef {
  std::size_t file = 0;
  std::uint64_t slice = 0;
  std::uint32_t index = 0;
};

bool IsGoodFile(const Par2Check& check, std::size_t file) {
  return check.files[file].state == Par2FileState::good;
}

// The input slices of the set, numbered across its files in order, as the check found them.
struct SetSlices {
  std::vector<SliceRef> present;
  std::vector<SliceRef> missing;
  std::uint32_t count = 0;
};

SetSlices SlicesOf(const Par2Set& set, const Par2Check& check) {
  SetSlices slices;
  for (std::size_t i = 0; i < set.files.size(); ++i) {
    const std::uint64_t count = Par2SliceCount(set.files[i].length, set.sliceSize);
    const std::vector<bool>& good = check.files[i].goodSlices;
    for (std::uint64_t s = 0; s < count; ++s, ++slices.count) {
      const bool present = IsGoodFile(check, i) || (s < good.size() && good[s]);
      (present ? slices.present : slices.missing).push_back({i, s, slices.count});
    }
  }
  return slices;
}

// A choice of the recovery slices that rebuilds the missing ones, a singular one passed over.
std::optional<RecoverySolution> SolveFor(const std::vector<SliceRef>& missing,
                                         const std::vector<std::uint16_t>& constants,
                                         const std::vector<Par2RecoverySlice>& recovery) {
  std::vector<std::uint16_t> missingConstants;
  for (const SliceRef& slice : missing) missingConstants.push_back(constants[slice.index]);
  std::vector<std::uint32_t> exponents;
  for (const Par2RecoverySlice& slice : recovery) exponents.push_back(slice.exponent);
  return SolveRecovery(missingConstants, exponents);
}

// The threads that form the windows of the rebuilt slices.
constexpr std::size_t kPassThreads = 2;

// What one thread needs for its windows: its runs of the syndromes and of the slices read and
// rebuilt, and the recovery files it reads.
struct PassWorker {
  std::vector<std::byte> syndromes;  // one window per missing slice
  std::vector<std::byte> buffers;    // a slice read, then one window per rebuilt slice
  std::map<std::string, std::unique_ptr<CFile64>> recoveryFiles;

  CFile64& RecoveryFile(const std::string& path) {
    std::unique_ptr<CFile64>& file = recoveryFiles[path];
    if (!file) {
      file = std::make_unique<CFile64>();
      file->Open(path, false);
    }
    return *file;
  }
};

class Rebuilder {
 public:
  Rebuilder(const Par2FoundSet& found, const std::vector<std::string>& paths,
            const Par2Check& check, std::size_t memoryBudget)
      : set_(found.set), paths_(paths), check_(check), sliceSize_(found.set.sliceSize) {
    ListSlices();
    Solve(found.recovery);
    ChooseWindow(memoryBudget);
  }

  // Everything read and written in the passes, and the outputs read back.
  std::uint64_t Work() const {
    std::uint64_t rebuilt = 0;
    for (std::size_t i = 0; i < set_.files.size(); ++i) {
      if (!IsGood(i)) rebuilt += set_.files[i].length;
    }
    return (sources_.size() + 2 * missing_.size()) * sliceSize_ + rebuilt;
  }

  void Run(const std::vector<std::string>& outputs, ProgressCount& progress,
           TemporaryFiles& written) {
    OpenOutputs(outputs, written);
    FormPasses(progress);
    for (CFile64& output : outputs_) {
      if (!output.IsOpen()) continue;
      output.Flush();
      output.Close();
    }
    for (std::size_t i = 0; i < set_.files.size(); ++i) {
      if (!IsGood(i)) CheckOutput(set_.files[i], outputs[i], progress);
    }
  }

 private:
  bool IsGood(std::size_t file) const { return IsGoodFile(check_, file); }

  // The missing slices, and the present ones the passes read: every one when there is anything
  // to rebuild, else only those a damaged file's output is copied from.
  void ListSlices() {
    SetSlices slices = SlicesOf(set_, check_);
    missing_ = std::move(slices.missing);
    constants_ = InputSliceConstants(slices.count);
    for (const SliceRef& slice : slices.present) {
      if (!missing_.empty() || !IsGood(slice.file)) sources_.push_back(slice);
    }
  }

  void Solve(const std::vector<Par2RecoverySlice>& recovery) {
    std::optional<RecoverySolution> solution = SolveFor(missing_, constants_, recovery);
    if (!solution) RaiseNotEnough(recovery.size());
    solution_ = std::move(*solution);
    for (std::uint32_t exponent : solution_.exponents) {
      chosen_.push_back(*std::ranges::find(recovery, exponent, &Par2RecoverySlice::exponent));
    }
  }

  [[noreturn]] void RaiseNotEnough(std::uint64_t available) const {
    const std::uint64_t missing = missing_.size();
    ThrowAppException(IDS_RECOVERY_NOT_ENOUGH,
                      {FormatInteger(missing), FormatInteger(available),
                       FormatInteger(Par2VolumesNeeded(set_, missing, available))});
  }

  // The widest run of each slice, a multiple of 4, for which each thread's syndromes stay in
  // its cache and they and as much again for the slices read and rebuilt fit in the thread's
  // share of the budget; equal runs over the passes.
  void ChooseWindow(std::size_t memoryBudget) {
    const std::uint64_t rows = std::max<std::uint64_t>(missing_.size(), 1);
    const std::uint64_t cached = std::max(kCachedSyndromeBytes / rows, kLeastWindow);
    const std::uint64_t share = memoryBudget / kPassThreads;
    const std::uint64_t widest = std::clamp<std::uint64_t>(
        std::min<std::uint64_t>(cached, share / (2 * rows)) / 4 * 4, 4, sliceSize_);
    passCount_ = (sliceSize_ + widest - 1) / widest;
    window_ = ((sliceSize_ + passCount_ - 1) / passCount_ + 3) / 4 * 4;
  }

  PassWorker NewWorker() const {
    PassWorker worker;
    worker.syndromes.resize(missing_.size() * window_);
    worker.buffers.resize(std::max<std::size_t>(missing_.size(), 1) * window_);
    return worker;
  }

  // The windows, taken in turn by this thread and, when there are several, another. Only this
  // thread reports; a failure on either stops both.
  void FormPasses(ProgressCount& progress) {
    // The passes are the rebuild's first work: their bytes are all it has done so far.
    const auto report = [&] { progress.Reach(passBytes_); };
    PassWorker here = NewWorker();
    if (passCount_ < 2) {
      TakePasses(here, report);
      return;
    }
    PassWorker there = NewWorker();
    // Last, so that it stops before the worker it uses goes.
    BackgroundWork other;
    other.Hand([&] { TakePasses(there, {}); });
    try {
      TakePasses(here, report);
      while (!other.WaitUntilAtMost(0, kRecoveryReportInterval)) report();
      report();
    } catch (...) {
      stopped_ = true;
      throw;
    }
  }

  void TakePasses(PassWorker& worker, const std::function<void()>& report) {
    try {
      for (std::uint64_t pass = nextPass_++; pass < passCount_ && !stopped_; pass = nextPass_++) {
        const std::uint64_t a = pass * window_;
        Pass(a, std::min(a + window_, sliceSize_), worker);
        if (report) report();
      }
    } catch (...) {
      stopped_ = true;
      throw;
    }
  }

  void OpenOutputs(const std::vector<std::string>& outputs, TemporaryFiles& written) {
    outputs_ = std::vector<CFile64>(set_.files.size());
    for (std::size_t i = 0; i < set_.files.size(); ++i) {
      if (IsGood(i)) continue;
      outputs_[i].Open(outputs[i], true);
      written.Add(outputs[i]);
      outputs_[i].WriteBackAsWritten();
    }
  }

  // Writes the run at `a` of a slice of file `file`, cut at the file's end.
  void WriteRun(const SliceRef& slice, std::uint64_t a, const std::byte* data,
                std::uint64_t length) {
    const std::uint64_t bytes = StoredBytes(slice, a, length);
    if (bytes == 0) return;
    CFile64& output = outputs_[slice.file];
    const std::lock_guard lock(outputsMutex_);
    output.SeekToBegin(slice.slice * sliceSize_ + a);
    output.Write(data, static_cast<std::uint32_t>(bytes));
  }

  // How many of `length` bytes at `a` in the slice lie within its file.
  std::uint64_t StoredBytes(const SliceRef& slice, std::uint64_t a, std::uint64_t length) const {
    const std::uint64_t start = slice.slice * sliceSize_ + a;
    const std::uint64_t fileLength = set_.files[slice.file].length;
    return start >= fileLength ? 0 : std::min(length, fileLength - start);
  }

  // Rebuilds bytes [a, b) of every missing slice.
  void Pass(std::uint64_t a, std::uint64_t b, PassWorker& worker) {
    const std::uint64_t length = b - a;
    const std::size_t k = missing_.size();
    std::vector<std::byte*> syndromes(k);
    for (std::size_t j = 0; j < k; ++j) {
      syndromes[j] = worker.syndromes.data() + j * window_;
      // A file that ends sooner has changed since it was checked.
      ReadExactlyAt(worker.RecoveryFile(chosen_[j].path), chosen_[j].dataOffset + a, syndromes[j],
                    static_cast<std::uint32_t>(length));
      passBytes_ += length;
    }
    AddPresentSlices(a, length, syndromes, worker.buffers.data());
    if (k == 0) return;
    std::vector<std::byte*> rebuilt(k);
    for (std::size_t m = 0; m < k; ++m) rebuilt[m] = worker.buffers.data() + m * window_;
    std::fill(worker.buffers.begin(),
              worker.buffers.begin() + static_cast<std::ptrdiff_t>(k * window_), std::byte{0});
    std::vector<std::uint16_t> factors(k);
    for (std::size_t j = 0; j < k; ++j) {
      for (std::size_t m = 0; m < k; ++m) factors[m] = solution_.inverse[m * k + j];
      gf16::MultiplyAccumulateMany(rebuilt, factors, syndromes[j], length);
    }
    for (std::size_t m = 0; m < k; ++m) {
      WriteRun(missing_[m], a, rebuilt[m], length);
      passBytes_ += length;
    }
  }

  // Reads run [a, a + length) of every present slice, file by file, into every syndrome, and
  // copies it into the output of a damaged file.
  void AddPresentSlices(std::uint64_t a, std::uint64_t length,
                        std::span<std::byte* const> syndromes, std::byte* data) {
    std::vector<std::uint16_t> factors(syndromes.size());
    CFile64 source;
    std::size_t sourceFile = set_.files.size();
    for (const SliceRef& slice : sources_) {
      if (slice.file != sourceFile) {
        source.Open(paths_[slice.file], false);
        sourceFile = slice.file;
      }
      const std::uint64_t stored = StoredBytes(slice, a, length);
      ReadExactlyAt(source, slice.slice * sliceSize_ + a, data, static_cast<std::uint32_t>(stored));
      std::fill(data + stored, data + length, std::byte{0});
      if (!IsGood(slice.file)) WriteRun(slice, a, data, length);
      for (std::size_t j = 0; j < syndromes.size(); ++j) {
        factors[j] = gf16::Power(constants_[slice.index], solution_.exponents[j]);
      }
      if (!syndromes.empty()) gf16::MultiplyAccumulateMany(syndromes, factors, data, length);
      passBytes_ += length;
    }
  }

  // A rebuilt file is checked against the checks of its slices, which are digested side by
  // side; a file whose slices the set does not describe, against its whole digest.
  void CheckOutput(const Par2File& file, const std::string& path, ProgressCount& progress) {
    CFile64 input;
    input.Open(path, false);
    const auto read = [&](std::uint64_t bytes) { progress.Add(bytes); };
    bool matches = input.Length() == file.length;
    if (matches && file.slices.size() == Par2SliceCount(file.length, sliceSize_)) {
      matches = DigestPar2Slices(input, sliceSize_, file.length, read) == file.slices;
    } else if (matches) {
      matches = DigestPar2Data(input, sliceSize_, 0, read).hash == file.hash;
    }
    input.Close();
    if (!matches) ThrowAppException(IDS_RECOVERY_REBUILT_MISMATCH, {file.name});
  }

  const Par2Set& set_;
  const std::vector<std::string>& paths_;
  const Par2Check& check_;
  const std::uint64_t sliceSize_;
  std::vector<SliceRef> missing_;
  std::vector<SliceRef> sources_;
  std::vector<std::uint16_t> constants_;
  RecoverySolution solution_;
  std::vector<Par2RecoverySlice> chosen_;  // one per row of the solution
  std::uint64_t window_ = 0;
  std::uint64_t passCount_ = 0;
  std::atomic<std::uint64_t> nextPass_ = 0;
  std::atomic<std::uint64_t> passBytes_ = 0;  // read and written in the passes so far
  std::atomic<bool> stopped_ = false;
  std::vector<CFile64> outputs_;  // open for the files rebuilt
  std::mutex outputsMutex_;       // each write is a seek and a write
};

}  // namespace

std::uint32_t Par2SlicesPerVolume(const Par2Set& set) {
  std::uint64_t most = 1;
  for (const Par2File& file : set.files) {
    most = std::max(most, Par2SliceCount(file.length, set.sliceSize));
  }
  return static_cast<std::uint32_t>(most);
}

std::uint32_t Par2VolumesNeeded(const Par2Set& set, std::uint64_t missingSlices,
                                std::uint64_t recoverySlices) {
  const std::uint64_t perVolume = Par2SlicesPerVolume(set);
  const std::uint64_t short_ = missingSlices > recoverySlices ? missingSlices - recoverySlices : 0;
  return static_cast<std::uint32_t>(
      std::max<std::uint64_t>((short_ + perVolume - 1) / perVolume, 1));
}

bool CanRebuildPar2Files(const Par2FoundSet& found, const Par2Check& check) {
  const SetSlices slices = SlicesOf(found.set, check);
  if (slices.missing.empty()) return true;
  if (slices.missing.size() > found.recovery.size()) return false;
  return SolveFor(slices.missing, InputSliceConstants(slices.count), found.recovery).has_value();
}

namespace {

// Digests the chosen files of the set, several at once on both threads: with the checks of
// their slices or with their whole digests alone, each handed to `judge` by the thread that
// read it. A file that cannot be opened keeps the check it was opened to.
void DigestChosenFiles(const Par2FoundSet& found, const std::vector<std::string>& paths,
                       const std::vector<char>& chosen, bool withSlices, Par2Check& check,
                       ProgressCount& count,
                       const std::function<void(std::size_t, const Par2File&)>& judge) {
  const std::uint64_t sliceSize = found.set.sliceSize;
  const auto digestFiles = [&](const SharedFileWork::Next& next, const SharedFileWork::Read& read) {
    const NextPar2Digest nextJob = [&]() -> std::optional<Par2DigestJob> {
      for (std::optional<std::size_t> i = next(); i; i = next()) {
        if (!chosen[*i]) continue;
        const Par2File& file = found.set.files[*i];
        std::unique_ptr<CFile64> input = OpenToCheck(file, sliceSize, paths[*i], check.files[*i]);
        if (!input) continue;
        return Par2DigestJob{std::move(input), withSlices ? file.length : 0,
                             [&judge, i = *i](const Par2File& digest) { judge(i, digest); }};
      }
      return std::nullopt;
    };
    DigestPar2Files(sliceSize, nextJob, read);
  };
  const std::uint64_t before = count.Done();
  SharedFileWork work(digestFiles, [&] { count.Reach(before + work.BytesRead()); });
  std::vector<std::uint64_t> lengths;
  for (std::size_t i = 0; i < found.set.files.size(); ++i) {
    lengths.push_back(chosen[i] ? found.set.files[i].length : 0);
  }
  work.Start(lengths);
  work.Finish();
}

// The bytes of the chosen files that are there to be read.
std::uint64_t BytesOfChosenFiles(const std::vector<std::string>& paths,
                                 const std::vector<char>& chosen) {
  std::uint64_t total = 0;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    std::uint64_t size = 0;
    if (chosen[i] && FileSizeByName(paths[i], size)) total += size;
  }
  return total;
}

}  // namespace

Par2Check CheckPar2Files(const Par2FoundSet& found, const std::vector<std::string>& paths,
                         const std::vector<bool>& knownGood, const RecoveryProgress& progress) {
  const std::size_t files = found.set.files.size();
  std::vector<char> unknown(files, 0);
  for (std::size_t i = 0; i < files; ++i) unknown[i] = i >= knownGood.size() || !knownGood[i];
  ProgressCount count(progress, BytesOfChosenFiles(paths, unknown));
  Par2Check check;
  check.files.assign(files, {Par2FileState::good, {}, {}});
  // First the whole digest of each file, which is all that a good file needs; then the slices
  // of the files found damaged, in a second read of those alone.
  std::vector<char> damaged(files, 0);  // each written by the thread that read its file
  DigestChosenFiles(found, paths, unknown, false, check, count,
                    [&](std::size_t i, const Par2File& digest) {
                      const Par2File& file = found.set.files[i];
                      if (digest.length == file.length && digest.hash == file.hash) {
                        check.files[i] = {Par2FileState::good, {}, {}};
                      } else {
                        damaged[i] = 1;
                      }
                    });
  if (const std::uint64_t again = BytesOfChosenFiles(paths, damaged); again > 0) {
    count.AddToTotal(again);
    DigestChosenFiles(found, paths, damaged, true, check, count,
                      [&](std::size_t i, const Par2File& digest) {
                        check.files[i] = JudgeFile(found.set.files[i], found.set.sliceSize, digest);
                      });
  }
  for (const Par2FileCheck& file : check.files) {
    check.missingSlices += static_cast<std::uint32_t>(std::ranges::count(file.goodSlices, false));
  }
  check.recoverySlices = static_cast<std::uint32_t>(found.recovery.size());
  return check;
}

void RebuildPar2Files(const Par2FoundSet& found, const std::vector<std::string>& paths,
                      const Par2Check& check, const std::vector<std::string>& outputs,
                      const RecoveryProgress& progress, std::size_t memoryBudget) {
  // Declared before the files it names, it removes them after they are closed.
  TemporaryFiles written;
  Rebuilder rebuilder(found, paths, check, memoryBudget);
  ProgressCount count(progress, rebuilder.Work());
  rebuilder.Run(outputs, count, written);
  written.Keep();
}
