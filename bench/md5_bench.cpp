// Throughput of the checks a recovery set keeps of every byte: MD5 alone, two MD5s of the same
// bytes one after the other and fed together (a file's and its slice's), eight, sixteen and
// thirty-two side by side (four, eight and sixteen files', each with its slice's), and CRC-32,
// over 128 KiB runs held in cache. Prints figures only: the bytes of the run, and for the many the
// bytes that all of them took.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <span>
#include <vector>

#include "engine/recovery/crc32.h"
#include "engine/recovery/md5.h"

namespace {

constexpr std::size_t kRunBytes = 128 * 1024;
// Many short slices, the fastest counting: on a shared machine a slice that ran undisturbed
// shows what the code can do, while an average shows the neighbours' load.
constexpr int kSlices = 30;
constexpr int kRunsPerSlice = 64;  // 8 MiB, a few milliseconds
constexpr std::size_t kFiles = 16;

// Megabytes that `run` checks per second, of the fastest slice.
double MeasureMegabytesPerSecond(std::size_t bytesPerRun, const std::function<void()>& run) {
  using Clock = std::chrono::steady_clock;
  double best = 0;
  for (int slice = 0; slice < kSlices; ++slice) {
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < kRunsPerSlice; ++i) run();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    best = std::max(best, static_cast<double>(kRunsPerSlice * bytesPerRun) / seconds / 1e6);
  }
  return best;
}

}  // namespace

int main() {
  std::vector<std::uint8_t> data(kFiles * kRunBytes + 1);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 131 + 7);
  Md5 first;
  Md5 second;
  std::uint32_t crc = 0;
  // The second digest a few bytes into its block, as a slice's is when slices are not whole
  // blocks: the two then take their blocks from different places.
  second.Update(data.data(), 20);
  // Sixteen files' runs, each fed to the file's digest and to its slice's, a few bytes in; the
  // first four files for the eight and the first eight for the sixteen.
  Md5 many[2 * kFiles];
  Md5* manyDigests[2 * kFiles];
  const std::uint8_t* manyRuns[2 * kFiles];
  for (std::size_t i = 0; i < 2 * kFiles; ++i) {
    if (i % 2 == 1) many[i].Update(data.data(), 20);
    manyDigests[i] = &many[i];
    manyRuns[i] = data.data() + i / 2 * kRunBytes;
  }
  const auto digestsOf = [&](std::size_t count) { return std::span(manyDigests).first(count); };
  const auto runsOf = [&](std::size_t count) { return std::span(manyRuns).first(count); };
  const struct {
    const char* name;
    std::size_t bytes;
    std::function<void()> run;
  } cases[] = {
      {"MD5", kRunBytes, [&] { first.Update(data.data(), kRunBytes); }},
      {"two MD5s, one after the other", kRunBytes,
       [&] {
         first.Update(data.data(), kRunBytes);
         second.Update(data.data(), kRunBytes);
       }},
      {"two MD5s fed together", kRunBytes,
       [&] { Md5::UpdateBoth(first, second, data.data(), kRunBytes); }},
      {"eight MD5s side by side", 8 * kRunBytes,
       [&] { Md5::UpdateMany(digestsOf(8), runsOf(8), kRunBytes); }},
      {"sixteen MD5s side by side", 16 * kRunBytes,
       [&] { Md5::UpdateMany(digestsOf(16), runsOf(16), kRunBytes); }},
      {"thirty-two MD5s side by side", 32 * kRunBytes,
       [&] { Md5::UpdateMany(digestsOf(32), runsOf(32), kRunBytes); }},
      {"CRC-32", kRunBytes, [&] { crc = Crc32(crc, data.data(), kRunBytes); }},
  };
  std::printf("Bytes of a %zu KiB run checked per second (fastest of %d slices)\n",
              kRunBytes / 1024, kSlices);
  for (const auto& c : cases) {
    MeasureMegabytesPerSecond(c.bytes, c.run);  // warm up
    std::printf("  %-32s %8.0f MB/s\n", c.name, MeasureMegabytesPerSecond(c.bytes, c.run));
  }
  // Keeps the work from being optimised away.
  std::printf("  (%02x %02x %08x)\n", first.Finish()[0], second.Finish()[0] ^ many[31].Finish()[0],
              crc);
  return 0;
}
