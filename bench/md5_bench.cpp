// Throughput of the checks a recovery set keeps of every byte: MD5 alone, two MD5s of the same
// bytes one after the other and fed together (a file's and its slice's), and CRC-32, over a
// 128 KiB run held in cache. Prints figures only.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

#include "engine/recovery/crc32.h"
#include "engine/recovery/md5.h"

namespace {

constexpr std::size_t kRunBytes = 128 * 1024;
// Many short slices, the fastest counting: on a shared machine a slice that ran undisturbed
// shows what the code can do, while an average shows the neighbours' load.
constexpr int kSlices = 30;
constexpr int kRunsPerSlice = 64;  // 8 MiB, a few milliseconds

// Megabytes of the run per second, of the fastest slice.
double MeasureMegabytesPerSecond(const std::function<void()>& run) {
  using Clock = std::chrono::steady_clock;
  double best = 0;
  for (int slice = 0; slice < kSlices; ++slice) {
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < kRunsPerSlice; ++i) run();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    best = std::max(best, static_cast<double>(kRunsPerSlice * kRunBytes) / seconds / 1e6);
  }
  return best;
}

}  // namespace

int main() {
  std::vector<std::uint8_t> data(kRunBytes + 1);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 131 + 7);
  Md5 first;
  Md5 second;
  std::uint32_t crc = 0;
  // The second digest a few bytes into its block, as a slice's is when slices are not whole
  // blocks: the two then take their blocks from different places.
  second.Update(data.data(), 20);
  const struct {
    const char* name;
    std::function<void()> run;
  } cases[] = {
      {"MD5", [&] { first.Update(data.data(), kRunBytes); }},
      {"two MD5s, one after the other",
       [&] {
         first.Update(data.data(), kRunBytes);
         second.Update(data.data(), kRunBytes);
       }},
      {"two MD5s fed together", [&] { Md5::UpdateBoth(first, second, data.data(), kRunBytes); }},
      {"CRC-32", [&] { crc = Crc32(crc, data.data(), kRunBytes); }},
  };
  std::printf("Bytes of a %zu KiB run checked per second (fastest of %d slices)\n",
              kRunBytes / 1024, kSlices);
  for (const auto& c : cases) {
    MeasureMegabytesPerSecond(c.run);  // warm up
    std::printf("  %-32s %8.0f MB/s\n", c.name, MeasureMegabytesPerSecond(c.run));
  }
  // Keeps the work from being optimised away.
  std::printf("  (%02x %02x %08x)\n", first.Finish()[0], second.Finish()[0], crc);
  return 0;
}
