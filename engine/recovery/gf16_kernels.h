#pragma once
// The multiply-accumulate kernels behind gf16.h, each over whole runs: the caller has removed
// the zero factors and passes from 1 to kMaxDestinations destinations.

#include <cstddef>
#include <cstdint>

namespace gf16::detail {

using ManyKernel = void (*)(std::byte* const* dst, const std::uint16_t* factors, std::size_t count,
                            const std::byte* src, std::size_t bytes);

// The source is taken in blocks of this many bytes, each read for every destination while it
// is still in the first-level cache.
constexpr std::size_t kSubBlockBytes = 4096;
constexpr std::size_t kMaxDestinations = 32;

void PortableMany(std::byte* const* dst, const std::uint16_t* factors, std::size_t count,
                  const std::byte* src, std::size_t bytes);
// The last few words that a vector kernel leaves, one at a time.
void MultiplyAccumulateWords(std::byte* dst, const std::byte* src, std::size_t bytes,
                             std::uint16_t factor);

// Null where the processor, the system or the build lacks the instructions.
ManyKernel Ssse3Kernel();
ManyKernel Avx2Kernel();
ManyKernel Avx512Kernel();
ManyKernel GfniKernel();

}  // namespace gf16::detail
