// Throughput of the GF(2^16) multiply-accumulate: one 64 KiB source chunk into eight
// destinations, all held in cache, for each kernel this processor offers. The figure counts
// source bytes times destinations, the work of forming recovery slices. Prints figures only.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "engine/recovery/gf16.h"

namespace {

constexpr std::size_t kChunkBytes = 64 * 1024;
constexpr std::size_t kDestinations = 8;
// Many short slices, the fastest counting: on a shared machine a slice that ran undisturbed
// shows what the code can do, while an average shows the neighbours' load.
constexpr int kSlices = 40;
constexpr int kChunksPerSlice = 32;  // 16 MiB of products, a few milliseconds

struct Kernel {
  gf16::Kernel kind;
  const char* name;
};

// Gigabytes of source times destinations per second, of the fastest slice.
double MeasureGigabytesPerSecond(gf16::Kernel kernel, const std::vector<std::byte>& source,
                                 std::vector<std::vector<std::byte>>& destinations) {
  using Clock = std::chrono::steady_clock;
  std::vector<std::byte*> dst;
  std::vector<std::uint16_t> factors;
  for (std::size_t j = 0; j < destinations.size(); ++j) {
    dst.push_back(destinations[j].data());
    factors.push_back(static_cast<std::uint16_t>(0x1234 + 0x3F1 * j));
  }
  double best = 0;
  for (int slice = 0; slice < kSlices; ++slice) {
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < kChunksPerSlice; ++i) {
      gf16::MultiplyAccumulateMany(kernel, dst, factors, source.data(), source.size());
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const double bytes = static_cast<double>(kChunksPerSlice) * source.size() * dst.size();
    best = std::max(best, bytes / seconds / 1e9);
  }
  return best;
}

}  // namespace

int main() {
  std::vector<std::byte> source(kChunkBytes);
  for (std::size_t i = 0; i < source.size(); ++i) source[i] = static_cast<std::byte>(i * 131 + 7);
  std::vector<std::vector<std::byte>> destinations(kDestinations,
                                                   std::vector<std::byte>(kChunkBytes));
  const Kernel kernels[] = {{gf16::Kernel::portable, "portable (byte tables)"},
                            {gf16::Kernel::ssse3, "SSSE3 (pshufb)"},
                            {gf16::Kernel::avx2, "AVX2 (vpshufb)"},
                            {gf16::Kernel::avx512, "AVX-512 (vpshufb)"},
                            {gf16::Kernel::gfni, "GFNI (vgf2p8affineqb)"}};
  std::printf("Multiply-accumulate of %zu KiB into %zu destinations (fastest of %d slices)\n",
              kChunkBytes / 1024, kDestinations, kSlices);
  double portable = 0;
  for (const Kernel& kernel : kernels) {
    if (!gf16::KernelAvailable(kernel.kind)) {
      std::printf("  %-24s not offered by this processor\n", kernel.name);
      continue;
    }
    MeasureGigabytesPerSecond(kernel.kind, source, destinations);  // warm up
    const double rate = MeasureGigabytesPerSecond(kernel.kind, source, destinations);
    if (kernel.kind == gf16::Kernel::portable) portable = rate;
    std::printf("  %-24s %7.2f GB/s  (%.1fx portable)\n", kernel.name, rate, rate / portable);
  }
  return 0;
}
