#pragma once
// Arithmetic in GF(2^16) with the generator polynomial 0x1100B, the field of the recovery
// files' Reed-Solomon code. Data are runs of little-endian 16-bit words.

#include <cstddef>
#include <cstdint>
#include <span>

namespace gf16 {

std::uint16_t Multiply(std::uint16_t a, std::uint16_t b);
// a / b; b must not be 0.
std::uint16_t Divide(std::uint16_t a, std::uint16_t b);
// 1 / a; a must not be 0.
std::uint16_t Inverse(std::uint16_t a);
// base to the power exponent; 0 to the power 0 is 1.
std::uint16_t Power(std::uint16_t base, std::uint32_t exponent);
// 2 to the power n.
std::uint16_t Exp2(std::uint32_t n);

// The ways of running the multiply-accumulate, for tests and benchmarks; the default is the
// fastest that the processor (and the system, for the wide registers) offers. All give the
// same bytes.
enum class Kernel { portable, ssse3, avx2, avx512, gfni };
bool KernelAvailable(Kernel kernel);
Kernel FastestKernel();

// dst ^= factor * src, word by word; `bytes` is even, the pointers of any alignment.
void MultiplyAccumulate(std::byte* dst, const std::byte* src, std::size_t bytes,
                        std::uint16_t factor);
// dst[j] ^= factors[j] * src for every j: one source read once into several destinations, so
// that a block of input stays in the cache while every recovery slice takes it.
void MultiplyAccumulateMany(std::span<std::byte* const> dst, std::span<const std::uint16_t> factors,
                            const std::byte* src, std::size_t bytes);
// The same with a chosen kernel; an unavailable one falls back to the portable kernel.
void MultiplyAccumulateMany(Kernel kernel, std::span<std::byte* const> dst,
                            std::span<const std::uint16_t> factors, const std::byte* src,
                            std::size_t bytes);

}  // namespace gf16
