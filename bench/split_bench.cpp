// The split against coreutils' split on the same file in the page cache, timed alternately in
// one run, and the split's peak memory on a sparse file far larger than memory should allow.
// Usage: split_bench [FOLDER]  (the files are made and removed in FOLDER, by default the
// system's temporary folder). Prints the figures; ends with 1 when the memory limit is broken.

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/silent_host.h"
#include "engine/file64.h"
#include "engine/operation_state.h"
#include "engine/split/splitter.h"
#include "platform/clock.h"
#include "platform/system_info.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::uint64_t kMiB = 1024 * 1024;
constexpr std::uint64_t kGiB = 1024 * kMiB;
constexpr std::uint64_t kSourceSize = 2 * kGiB;
constexpr std::uint64_t kPieceSize = 100 * kMiB;
constexpr std::uint64_t kSparseSize = 6 * kGiB;
constexpr long kMemoryLimitKiB = 16 * 1024;
constexpr int kRounds = 5;

// Pieces holding exactly 100 MiB of data each, as `split -b 100M` makes them.
void SplitWithPartwell(const std::string& source, const std::string& prefix,
                       std::uint64_t dataPerPiece) {
  SilentHost host(kButtonYes);
  SplitOptions options;
  options.bySize = true;
  options.maxSplitFileSize = dataPerPiece + 56;
  options.promptOnOverwrites = false;
  OperationScope scope(host);
  Splitter().Split(host, source, prefix, options);
}

void WriteSource(const std::string& path) {
  std::vector<std::uint8_t> block(kMiB);
  std::uint32_t state = 12345;
  CFile64 file;
  file.Open(path, true);
  for (std::uint64_t written = 0; written < kSourceSize; written += block.size()) {
    for (std::uint8_t& byte : block) {
      state = state * 1103515245 + 12345;
      byte = static_cast<std::uint8_t>(state >> 16);
    }
    file.Write(block.data(), static_cast<std::uint32_t>(block.size()));
  }
  file.Close();
}

// Reads the whole file once, so that every run finds it in the page cache.
void Warm(const std::string& path) {
  std::vector<std::uint8_t> block(kMiB);
  CFile64 file;
  file.Open(path, false);
  while (file.Read(block.data(), static_cast<std::uint32_t>(block.size())) != 0) {
  }
}

void RemoveOutput(const fs::path& folder) {
  fs::remove_all(folder);
  fs::create_directory(folder);
}

// Processor time (user and system) of this process or of its finished children.
double CpuSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  const auto seconds = [](const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Wall-clock and processor seconds of each run of one contender.
struct Runs {
  std::vector<double> wall, cpu;
};

// Other programs on a busy machine stretch the wall-clock time of either contender; the
// processor time shows the work each does.
void PrintRatio(const char* what, const std::vector<double>& ours,
                const std::vector<double>& theirs) {
  std::vector<double> ratios;
  for (std::size_t i = 0; i < ours.size(); ++i) ratios.push_back(ours[i] / theirs[i]);
  std::printf(
      "%s: partwell %.3f s, coreutils split %.3f s (medians); ratio %.2f (median of "
      "the rounds)\n",
      what, Median(ours), Median(theirs), Median(ratios));
}

void CompareWithCoreutils(const fs::path& folder) {
  const std::string source = (folder / "source.bin").string();
  const fs::path ours = folder / "ours";
  const fs::path theirs = folder / "theirs";
  std::printf("Writing a 2 GiB source...\n");
  WriteSource(source);
  Warm(source);
  const std::string coreutils = "split -b 100M " + source + " " + (theirs / "source.bin.").string();
  Runs ourRuns, theirRuns;
  for (int round = 0; round < kRounds; ++round) {
    // Alternate which goes first, so neither always meets the other's dirty pages.
    for (int turn = 0; turn < 2; ++turn) {
      const bool oursNow = (round + turn) % 2 == 0;
      RemoveOutput(oursNow ? ours : theirs);
      const int who = oursNow ? RUSAGE_SELF : RUSAGE_CHILDREN;
      const double cpuBefore = CpuSeconds(who);
      const Clock::time_point start = Clock::now();
      if (oursNow) {
        SplitWithPartwell(source, (ours / "source.bin").string(), kPieceSize);
      } else if (std::system(coreutils.c_str()) != 0) {
        std::printf("coreutils split failed\n");
        std::exit(2);
      }
      Runs& runs = oursNow ? ourRuns : theirRuns;
      runs.wall.push_back(std::chrono::duration<double>(Clock::now() - start).count());
      runs.cpu.push_back(CpuSeconds(who) - cpuBefore);
    }
    std::printf("  round %d: partwell %.3f s (cpu %.3f s), split -b 100M %.3f s (cpu %.3f s)\n",
                round + 1, ourRuns.wall.back(), ourRuns.cpu.back(), theirRuns.wall.back(),
                theirRuns.cpu.back());
  }
  std::printf("2 GiB in 100 MiB pieces, partwell / coreutils split:\n");
  PrintRatio("  wall clock", ourRuns.wall, theirRuns.wall);
  PrintRatio("  processor ", ourRuns.cpu, theirRuns.cpu);
  fs::remove_all(ours);
  fs::remove_all(theirs);
  fs::remove(source);
}

// Runs in a process of its own, so that its peak is the split's alone.
int MeasureMemory(const std::string& folderText) {
  const fs::path folder(folderText);
  const std::string source = (folder / "sparse.bin").string();
  {
    CFile64 file;
    file.Open(source, true);
    file.SeekToBegin(kSparseSize - 1);
    const std::uint8_t last = 0;
    file.Write(&last, 1);
  }
  SplitWithPartwell(source, (folder / "sparse.bin").string(), kGiB);
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf(
      "peak memory of a split of a 6 GiB sparse file into 1 GiB pieces: %.1f MiB "
      "(limit 16 MiB)\n",
      static_cast<double>(usage.ru_maxrss) / 1024);
  return usage.ru_maxrss < kMemoryLimitKiB ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    if (argc == 3 && std::string(argv[1]) == "--memory") return MeasureMemory(argv[2]);
    const fs::path base = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path();
    const fs::path folder =
        base / ("split-bench-" + std::to_string(Clock::now().time_since_epoch().count()));
    fs::create_directories(folder);
    CompareWithCoreutils(folder);
    std::fflush(stdout);
    std::string self;
    platform::ModuleFilePath(self);
    const fs::path memoryFolder = folder / "memory";
    fs::create_directory(memoryFolder);
    const int memory = std::system((self + " --memory " + memoryFolder.string()).c_str());
    fs::remove_all(folder);
    return memory == 0 ? 0 : 1;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 2;
  }
}
