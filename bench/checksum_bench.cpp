// Throughput of the byte sum on 128 KiB blocks held in cache, the copy routine's largest
// block, for each way of forming it that this processor offers. Prints figures only.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <numeric>
#include <vector>

#include "engine/checksum.h"

namespace {

constexpr std::size_t kBlockSize = 128 * 1024;
// Many short slices, the fastest counting: on a shared machine a slice that ran undisturbed
// shows what the code can do, while an average shows the neighbours' load.
constexpr int kSlices = 40;
constexpr int kBlocksPerSlice = 128;  // 16 MiB, a few milliseconds

struct Kernel {
  ByteSumKernel kind;
  const char* name;
};

// Gigabytes per second of the fastest slice.
double MeasureGigabytesPerSecond(ByteSumKernel kernel, const std::vector<unsigned char>& block,
                                 std::uint32_t& sink) {
  using Clock = std::chrono::steady_clock;
  double best = 0;
  for (int slice = 0; slice < kSlices; ++slice) {
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < kBlocksPerSlice; ++i) {
      sink = AddByteSumWith(kernel, sink, block.data(), block.size());
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    best = std::max(best, static_cast<double>(kBlocksPerSlice * block.size()) / seconds / 1e9);
  }
  return best;
}

}  // namespace

int main() {
  std::vector<unsigned char> block(kBlockSize);
  std::iota(block.begin(), block.end(), static_cast<unsigned char>(7));
  const Kernel kernels[] = {{ByteSumKernel::portable, "portable (64-bit words)"},
                            {ByteSumKernel::sse2, "SSE2 (psadbw)"},
                            {ByteSumKernel::avx2, "AVX2 (vpsadbw)"}};
  std::uint32_t sink = 0;
  std::printf("Byte sum on %zu KiB blocks in cache (fastest of %d slices)\n", kBlockSize / 1024,
              kSlices);
  double portable = 0;
  for (const Kernel& kernel : kernels) {
    if (!ByteSumKernelAvailable(kernel.kind)) {
      std::printf("  %-24s not offered by this processor\n", kernel.name);
      continue;
    }
    MeasureGigabytesPerSecond(kernel.kind, block, sink);  // warm up
    const double rate = MeasureGigabytesPerSecond(kernel.kind, block, sink);
    if (kernel.kind == ByteSumKernel::portable) portable = rate;
    std::printf("  %-24s %7.2f GB/s  (%.1fx portable)\n", kernel.name, rate, rate / portable);
  }
  std::printf("  (sum %u)\n", static_cast<unsigned>(sink));
  return 0;
}
