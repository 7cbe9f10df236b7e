// Merge and verify throughput against standard tools, timed alternately in one run on the same
// package in the page cache, and the merge's peak memory.
//
// Usage: merge_bench [MiB of data, default 2048] [rounds, default 3] [folder]
// The merge of a package of 100 MiB pieces into a new file is compared with `dd bs=128K`
// copying the original into a new file (aim: at most 1.0) and with `cat` of the pieces into one
// file (aim: at most 1.3); the verify with `cat` of the pieces to /dev/null (aim: at most 1.1).

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <sys/resource.h>

#include "base/exceptions.h"
#include "bench/silent_host.h"
#include "engine/checksum.h"
#include "engine/file64.h"
#include "engine/merge/merger.h"
#include "engine/operation_state.h"
#include "engine/package_format.h"
#include "engine/package_names.h"
#include "platform/clock.h"

namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kMiB = 1024 * 1024;
constexpr std::uint64_t kPieceData = 100 * kMiB;
constexpr std::uint32_t kBlock = 128 * 1024;

// Cheap bytes that no file system compresses away.
void FillBlock(std::vector<std::uint8_t>& block, std::uint64_t& state) {
  for (std::size_t i = 0; i + 8 <= block.size(); i += 8) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    for (int b = 0; b < 8; ++b) block[i + b] = static_cast<std::uint8_t>(state >> (8 * b));
  }
}

void WriteBytes(CFile64& file, const void* data, std::size_t size) {
  file.Write(data, static_cast<std::uint32_t>(size));
}

struct Package {
  std::string original;
  std::string master;
  std::vector<std::string> pieces;
};

// The original file and a current package of it, written side by side in one pass.
Package MakePackage(const fs::path& folder, std::uint64_t size) {
  Package package;
  package.original = (folder / "original.bin").string();
  MasterHeader header = NewMasterHeader();
  header.maxPieceDataSize = kPieceData;
  header.fileCount = static_cast<std::uint32_t>(1 + (size + kPieceData - 1) / kPieceData);
  header.originalSize = size;
  header.pathPrefix = (folder / "original.bin").string();
  header.sourcePath = package.original;
  std::vector<std::string> names;
  BuildPackageFileNames(header, false, names);
  package.master = names[0];
  package.pieces.assign(names.begin() + 1, names.end());

  CFile64 master;
  master.Open(package.master, true);
  const MasterHeaderBytes masterBytes = EncodeMasterHeader(header);
  WriteBytes(master, masterBytes.data(), masterBytes.size());
  master.Close();

  CFile64 original;
  original.Open(package.original, true);
  std::vector<std::uint8_t> block(kBlock);
  std::uint64_t state = 0x9E3779B97F4A7C15ull;
  std::uint32_t running = 0;
  std::uint64_t written = 0;
  for (std::uint32_t index = 1; index < header.fileCount; ++index) {
    const std::uint64_t dataSize = std::min(kPieceData, size - written);
    PieceHeader pieceHeader = NewPieceHeader(index, dataSize);
    CFile64 piece;
    piece.Open(names[index], true);
    piece.SeekToBegin(kPieceHeaderSize);
    std::uint32_t sum = 0;
    for (std::uint64_t done = 0; done < dataSize; done += kBlock) {
      const std::size_t count =
          static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, dataSize - done));
      FillBlock(block, state);
      sum = AddByteSum(sum, block.data(), count);
      WriteBytes(piece, block.data(), count);
      WriteBytes(original, block.data(), count);
    }
    written += dataSize;
    running = NextRunningChecksum(running, index, sum);
    pieceHeader.pieceSum = sum;
    pieceHeader.runningChecksum = running;
    const PieceHeaderBytes headerBytes = EncodePieceHeader(pieceHeader);
    piece.SeekToBegin(0);
    WriteBytes(piece, headerBytes.data(), headerBytes.size());
    piece.Close();
  }
  original.Close();
  return package;
}

// Reads every file once, so that all of them sit in the page cache.
void Warm(const std::vector<std::string>& files) {
  std::vector<char> block(kBlock);
  for (const std::string& file : files) {
    std::ifstream in(file, std::ios::binary);
    while (in.read(block.data(), static_cast<std::streamsize>(block.size()))) {
    }
  }
}

std::uint64_t PeakResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stoull(line.substr(6));
  }
  return 0;
}

void Shell(const std::string& command);

struct Timing {
  double wall = 0;
  double cpu = 0;  // user and system time of this process and of the commands it started
};

double CpuSeconds() {
  double seconds = 0;
  for (const int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
    rusage usage{};
    getrusage(who, &usage);
    for (const timeval& time : {usage.ru_utime, usage.ru_stime}) {
      seconds += static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
    }
  }
  return seconds;
}

// Each command starts with no dirty pages of an earlier one left to write back, and with as much
// recently freed memory at hand as it will write: on a virtual machine, memory that has lain
// free for a few seconds goes back to the host and costs ten times more to fill again, which
// would otherwise favour whichever command happens to follow another writer.
Timing Measure(const std::function<void()>& run, const std::string& scratch, std::uint64_t size) {
  Shell("dd if=/dev/zero of=" + scratch + " bs=1M count=" + std::to_string(size / kMiB) +
        " status=none && rm " + scratch + " && sync");
  const double cpu = CpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  run();
  return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
          CpuSeconds() - cpu};
}

void Shell(const std::string& command) {
  if (std::system(command.c_str()) != 0) {
    std::fprintf(stderr, "failed: %s\n", command.c_str());
    std::exit(1);
  }
}

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

void RunMerge(const Package& package, const std::string& destination, bool verify) {
  SilentHost host(kButtonNo);
  OperationScope scope(host);
  try {
    Merger().Merge(host, package.master, destination,
                   MergeOptions{.promptOnOverwrite = false, .verifyOnly = verify});
  } catch (const CException& error) {
    std::fprintf(stderr, "merge failed: %s\n", error.what());
    std::exit(1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::uint64_t size = (argc > 1 ? std::stoull(argv[1]) : 2048) * kMiB;
  const int rounds = argc > 2 ? std::stoi(argv[2]) : 3;
  const fs::path folder =
      argc > 3 ? fs::path(argv[3]) : fs::temp_directory_path() / "partwell_merge_bench";
  fs::create_directories(folder);

  std::printf("making a package of %llu MiB in %s\n", static_cast<unsigned long long>(size / kMiB),
              folder.string().c_str());
  const Package package = MakePackage(folder, size);
  std::vector<std::string> all = package.pieces;
  all.push_back(package.original);
  Warm(all);
  std::string pieces;
  for (const std::string& piece : package.pieces) pieces += " " + Quoted(piece);
  const std::string output = (folder / "output.bin").string();
  const std::uint64_t residentBefore = PeakResidentKiB();

  const std::string scratch = Quoted((folder / "scratch.bin").string());
  const auto time = [&](const std::function<void()>& run) {
    const Timing timing = Measure(run, scratch, size);
    fs::remove(output);
    return timing;
  };
  std::vector<Timing> merge, dd, cat, verify, catNull;
  for (int round = 0; round < rounds; ++round) {
    merge.push_back(time([&] { RunMerge(package, output, false); }));
    dd.push_back(time([&] {
      Shell("dd if=" + Quoted(package.original) + " of=" + Quoted(output) + " bs=128K status=none");
    }));
    cat.push_back(time([&] { Shell("cat" + pieces + " > " + Quoted(output)); }));
    verify.push_back(time([&] { RunMerge(package, output, true); }));
    catNull.push_back(time([&] { Shell("cat" + pieces + " > /dev/null"); }));
  }

  std::printf(
      "%d rounds of %.2f GiB; per command the best wall time, then the median over the\n"
      "rounds of the ratio of wall times and of processor times to the command beside it\n",
      rounds, static_cast<double>(size) / (1024.0 * kMiB));
  const auto best = [](const std::vector<Timing>& timings) {
    double wall = timings[0].wall;
    for (const Timing& timing : timings) wall = std::min(wall, timing.wall);
    return wall;
  };
  const auto median = [](std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
  };
  const auto line = [&](const char* what, const std::vector<Timing>& timings,
                        const std::vector<Timing>* base, const char* aim) {
    std::printf("  %-11s %6.2f s %7.0f MiB/s", what, best(timings),
                static_cast<double>(size / kMiB) / best(timings));
    if (base != nullptr) {
      std::vector<double> wall, cpu;
      for (std::size_t i = 0; i < timings.size(); ++i) {
        wall.push_back(timings[i].wall / (*base)[i].wall);
        cpu.push_back(timings[i].cpu / (*base)[i].cpu);
      }
      std::printf("   ratio %.2f, processor %.2f (aim %s)", median(wall), median(cpu), aim);
    }
    std::printf("\n");
  };
  line("merge", merge, nullptr, "");
  line("dd bs=128K", dd, nullptr, "");
  line("cat > file", cat, nullptr, "");
  line("merge/dd", merge, &dd, "<= 1.0");
  line("merge/cat", merge, &cat, "<= 1.3");
  line("verify", verify, nullptr, "");
  line("cat > null", catNull, nullptr, "");
  line("verify/cat", verify, &catNull, "<= 1.1");
  std::printf("  peak resident memory: %llu KiB before the merges, %llu KiB after\n",
              static_cast<unsigned long long>(residentBefore),
              static_cast<unsigned long long>(PeakResidentKiB()));
  fs::remove_all(folder);
  return 0;
}
