// Throughput of the byte sum on 128 KiB blocks held in cache, the copy routine's largest
// block, for each way of forming it that this processor offers. Prints figures only.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <numeric>
#include <vector>

#include "engine/checksum.h"

namespace {

constexpr std::size_t kBlockSize = 128 * 1024;
constexpr double kSecondsPerRun = 0.5;

struct Kernel {
  ByteSumKernel kind;
  const char* name;
};

// Sums the block again and again for about half a second; returns gigabytes per second.
double MeasureGigabytesPerSecond(ByteSumKernel kernel, const std::vector<unsigned char>& block,
                                 std::uint32_t& sink) {
  using Clock = std::chrono::steady_clock;
  std::uint64_t bytes = 0;
  const Clock::time_point start = Clock::now();
  double seconds = 0;
  while (seconds < kSecondsPerRun) {
    for (int i = 0; i < 256; ++i) sink = AddByteSumWith(kernel, sink, block.data(), block.size());
    bytes += 256 * block.size();
    seconds = std::chrono::duration<double>(Clock::now() - start).count();
  }
  return static_cast<double>(bytes) / seconds / 1e9;
}

}  // namespace

int main() {
  std::vector<unsigned char> block(kBlockSize);
  std::iota(block.begin(), block.end(), static_cast<unsigned char>(7));
  const Kernel kernels[] = {{ByteSumKernel::portable, "portable (64-bit words)"},
                            {ByteSumKernel::sse2, "SSE2 (psadbw)"},
                            {ByteSumKernel::avx2, "AVX2 (vpsadbw)"}};
  std::uint32_t sink = 0;
  std::printf("Byte sum on %zu KiB blocks in cache\n", kBlockSize / 1024);
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
