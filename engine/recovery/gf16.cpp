#include "engine/recovery/gf16.h"

#include <algorithm>
#include <array>
#include <vector>

namespace gf16 {
namespace {

constexpr std::uint32_t kPolynomial = 0x1100B;
constexpr std::uint32_t kOrder = 65535;  // of the multiplicative group

struct Tables {
  std::array<std::uint16_t, kOrder * 2> exp{};  // doubled, so that a sum of logs needs no modulo
  std::array<std::uint16_t, 65536> log{};
};

const Tables& FieldTables() {
  static const Tables tables = [] {
    Tables t;
    std::uint32_t x = 1;
    for (std::uint32_t n = 0; n < kOrder; ++n) {
      t.exp[n] = t.exp[n + kOrder] = static_cast<std::uint16_t>(x);
      t.log[x] = static_cast<std::uint16_t>(n);
      x <<= 1;
      if ((x & 0x10000) != 0) x ^= kPolynomial;
    }
    return t;
  }();
  return tables;
}

// The products of a factor with every low byte and every high byte of a word.
struct FactorTables {
  std::array<std::uint16_t, 256> low;
  std::array<std::uint16_t, 256> high;
};

FactorTables TablesFor(std::uint16_t factor) {
  FactorTables t;
  for (std::uint32_t b = 0; b < 256; ++b) {
    t.low[b] = Multiply(static_cast<std::uint16_t>(b), factor);
    t.high[b] = Multiply(static_cast<std::uint16_t>(b << 8), factor);
  }
  return t;
}

void PortableAccumulate(std::byte* dst, const std::byte* src, std::size_t bytes,
                        const FactorTables& t) {
  for (std::size_t i = 0; i + 1 < bytes; i += 2) {
    const auto lo = static_cast<std::uint8_t>(src[i]);
    const auto hi = static_cast<std::uint8_t>(src[i + 1]);
    const std::uint16_t product = t.low[lo] ^ t.high[hi];
    dst[i] ^= static_cast<std::byte>(product & 0xFF);
    dst[i + 1] ^= static_cast<std::byte>(product >> 8);
  }
}

// A few KiB of the source go to every destination before the next: they stay in the cache.
constexpr std::size_t kSourceBlock = 16 * 1024;

}  // namespace

std::uint16_t Multiply(std::uint16_t a, std::uint16_t b) {
  if (a == 0 || b == 0) return 0;
  const Tables& t = FieldTables();
  return t.exp[std::uint32_t{t.log[a]} + t.log[b]];
}

std::uint16_t Divide(std::uint16_t a, std::uint16_t b) {
  if (a == 0) return 0;
  const Tables& t = FieldTables();
  return t.exp[std::uint32_t{t.log[a]} + kOrder - t.log[b]];
}

std::uint16_t Inverse(std::uint16_t a) { return Divide(1, a); }

std::uint16_t Power(std::uint16_t base, std::uint32_t exponent) {
  if (exponent == 0) return 1;
  if (base == 0) return 0;
  const Tables& t = FieldTables();
  return t.exp[static_cast<std::uint32_t>((std::uint64_t{t.log[base]} * exponent) % kOrder)];
}

std::uint16_t Exp2(std::uint32_t n) { return FieldTables().exp[n % kOrder]; }

bool KernelAvailable(Kernel kernel) { return kernel == Kernel::portable; }

Kernel FastestKernel() { return Kernel::portable; }

void MultiplyAccumulate(std::byte* dst, const std::byte* src, std::size_t bytes,
                        std::uint16_t factor) {
  std::byte* const dsts[] = {dst};
  const std::uint16_t factors[] = {factor};
  MultiplyAccumulateMany(dsts, factors, src, bytes);
}

void MultiplyAccumulateMany(std::span<std::byte* const> dst, std::span<const std::uint16_t> factors,
                            const std::byte* src, std::size_t bytes) {
  MultiplyAccumulateMany(FastestKernel(), dst, factors, src, bytes);
}

void MultiplyAccumulateMany(Kernel, std::span<std::byte* const> dst,
                            std::span<const std::uint16_t> factors, const std::byte* src,
                            std::size_t bytes) {
  std::vector<FactorTables> tables;
  tables.reserve(factors.size());
  for (std::uint16_t factor : factors) tables.push_back(TablesFor(factor));
  for (std::size_t done = 0; done < bytes; done += kSourceBlock) {
    const std::size_t run = std::min(kSourceBlock, bytes - done);
    for (std::size_t j = 0; j < dst.size(); ++j) {
      if (factors[j] == 0) continue;
      PortableAccumulate(dst[j] + done, src + done, run, tables[j]);
    }
  }
}

}  // namespace gf16
