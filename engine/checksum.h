#pragma once
// The package's own check values: 32-bit sums that wrap modulo 2^32.

#include <cstddef>
#include <cstdint>

class CFile64;

// Adds every byte of the block, as a value 0 to 255, to the sum. The result does not depend
// on how the data is divided into blocks.
std::uint32_t AddByteSum(std::uint32_t sum, const void* data, std::size_t size);

// The running checksum after piece `index` (1 for the first data piece): previous plus the
// piece's sum weighted by its index.
std::uint32_t NextRunningChecksum(std::uint32_t previous, std::uint32_t index,
                                  std::uint32_t pieceSum);

// The check value of the earliest packages: the sum of eight bytes of the file taken at
// evenly spaced offsets. The file position is left where it was. Raises the file errors of
// the length query, the seeks and the reads.
std::uint32_t SampleSum(CFile64& file);

// The ways of forming the byte sum, for tests and benchmarks; AddByteSum uses the fastest
// that the processor offers. All give the same sums.
enum class ByteSumKernel { portable, sse2, avx2 };
bool ByteSumKernelAvailable(ByteSumKernel kernel);
// An unavailable kernel falls back to the portable one.
std::uint32_t AddByteSumWith(ByteSumKernel kernel, std::uint32_t sum, const void* data,
                             std::size_t size);
