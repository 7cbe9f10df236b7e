#include "engine/recovery/crc32.h"

#include <array>

namespace {

constexpr std::uint32_t kPolynomial = 0xEDB88320;

// Eight tables: table k gives the CRC of a byte followed by k zero bytes, so that eight bytes
// are taken per step.
constexpr std::array<std::array<std::uint32_t, 256>, 8> MakeTables() {
  std::array<std::array<std::uint32_t, 256>, 8> tables{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? kPolynomial ^ (c >> 1) : c >> 1;
    tables[0][n] = c;
  }
  for (std::uint32_t n = 0; n < 256; ++n) {
    for (int t = 1; t < 8; ++t) {
      const std::uint32_t previous = tables[t - 1][n];
      tables[t][n] = (previous >> 8) ^ tables[0][previous & 0xFF];
    }
  }
  return tables;
}

constexpr auto kTables = MakeTables();

// The 32-by-32 matrix over GF(2) that appends zero bytes, as 32 columns.
using Matrix = std::array<std::uint32_t, 32>;

std::uint32_t Apply(const Matrix& m, std::uint32_t vector) {
  std::uint32_t sum = 0;
  for (int i = 0; vector != 0; ++i, vector >>= 1) {
    if ((vector & 1) != 0) sum ^= m[i];
  }
  return sum;
}

Matrix Square(const Matrix& m) {
  Matrix result{};
  for (int i = 0; i < 32; ++i) result[i] = Apply(m, m[i]);
  return result;
}

}  // namespace

std::uint32_t Crc32(std::uint32_t crc, const void* data, std::size_t size) {
  auto p = static_cast<const std::uint8_t*>(data);
  std::uint32_t c = ~crc;
  for (; size >= 8; p += 8, size -= 8) {
    const std::uint32_t low = c ^ (std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 |
                                   std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24);
    c = kTables[7][low & 0xFF] ^ kTables[6][(low >> 8) & 0xFF] ^ kTables[5][(low >> 16) & 0xFF] ^
        kTables[4][low >> 24] ^ kTables[3][p[4]] ^ kTables[2][p[5]] ^ kTables[1][p[6]] ^
        kTables[0][p[7]];
  }
  for (; size > 0; ++p, --size) c = (c >> 8) ^ kTables[0][(c ^ *p) & 0xFF];
  return ~c;
}

std::uint32_t Crc32Zeros(std::uint32_t crc, std::uint64_t count) {
  // Zero bytes change the register, not the complement around it: the register is carried
  // through the matrix of one zero bit squared up to each bit of the count.
  Matrix zeroBits{};
  zeroBits[0] = kPolynomial;
  for (int i = 1; i < 32; ++i) zeroBits[i] = 1u << (i - 1);
  Matrix step = Square(Square(Square(zeroBits)));  // one zero byte
  std::uint32_t c = ~crc;
  for (; count != 0; count >>= 1, step = Square(step)) {
    if ((count & 1) != 0) c = Apply(step, c);
  }
  return ~c;
}
