#pragma once
// CRC-32 (IEEE 802.3, reflected, the one of zip and of recovery files' slice checks).

#include <cstddef>
#include <cstdint>

// The CRC of the bytes before (0 for none) followed by `data`.
std::uint32_t Crc32(std::uint32_t crc, const void* data, std::size_t size);
// The CRC of the bytes before followed by `count` zero bytes, in time that grows with the
// logarithm of the count: a file's last slice is checked as if padded with zeros.
std::uint32_t Crc32Zeros(std::uint32_t crc, std::uint64_t count);
