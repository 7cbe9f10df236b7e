#include "engine/recovery/gf16.h"

#include <algorithm>
#include <array>
#include <memory>

#include "engine/recovery/gf16_kernels.h"

namespace gf16 {

namespace {

constexpr std::uint32_t kPolynomial = 0x1100B;
constexpr std::uint32_t kOrder = 65535;  // of the multiplicative group

// Logarithms to base 2 and their powers; the powers run twice round so that the sum of two
// logarithms needs no reduction.
struct Tables {
  std::array<std::uint16_t, 65536> log{};
  std::array<std::uint16_t, 2 * kOrder> exp{};
};

std::unique_ptr<Tables> BuildTables() {
  auto tables = std::make_unique<Tables>();
  std::uint32_t x = 1;
  for (std::uint32_t i = 0; i < kOrder; ++i) {
    tables->exp[i] = tables->exp[i + kOrder] = static_cast<std::uint16_t>(x);
    tables->log[x] = static_cast<std::uint16_t>(i);
    x <<= 1;
    if (x & 0x10000) x ^= kPolynomial;
  }
  return tables;
}

const Tables& FieldTables() {
  static const std::unique_ptr<Tables> tables = BuildTables();
  return *tables;
}

std::uint16_t LoadWord(const std::byte* p) {
  return static_cast<std::uint16_t>(static_cast<unsigned>(p[0]) | static_cast<unsigned>(p[1]) << 8);
}

void XorWord(std::byte* p, std::uint16_t value) {
  p[0] ^= static_cast<std::byte>(value & 0xFF);
  p[1] ^= static_cast<std::byte>(value >> 8);
}

// factor times every byte value, in the low byte of a word and in the high byte.
struct ByteProducts {
  std::array<std::uint16_t, 256> low;
  std::array<std::uint16_t, 256> high;
};

ByteProducts ByteProductsOf(std::uint16_t factor) {
  ByteProducts products;
  products.low[0] = products.high[0] = 0;
  // Each entry is the one without its lowest bit plus the product of that bit.
  for (unsigned b = 1; b < 256; ++b) {
    const unsigned bit = static_cast<unsigned>(__builtin_ctz(b));
    products.low[b] = products.low[b & (b - 1)] ^ Multiply(factor, 1u << bit);
    products.high[b] = products.high[b & (b - 1)] ^ Multiply(factor, 1u << (bit + 8));
  }
  return products;
}

void AccumulateWithProducts(std::byte* dst, const std::byte* src, std::size_t bytes,
                            const ByteProducts& products) {
  for (std::size_t i = 0; i + 1 < bytes; i += 2) {
    XorWord(dst + i, products.low[static_cast<unsigned>(src[i])] ^
                         products.high[static_cast<unsigned>(src[i + 1])]);
  }
}

// In the order of the enumeration; the processor is asked once.
detail::ManyKernel KernelFunction(Kernel kernel) {
  static const std::array<detail::ManyKernel, 5> kernels = {
      detail::PortableMany, detail::Ssse3Kernel(), detail::Avx2Kernel(), detail::Avx512Kernel(),
      detail::GfniKernel()};
  const auto index = static_cast<std::size_t>(kernel);
  return index < kernels.size() ? kernels[index] : nullptr;
}

Kernel FindFastestKernel() {
  for (Kernel kernel : {Kernel::gfni, Kernel::avx512, Kernel::avx2, Kernel::ssse3}) {
    if (KernelAvailable(kernel)) return kernel;
  }
  return Kernel::portable;
}

}  // namespace

namespace detail {

void MultiplyAccumulateWords(std::byte* dst, const std::byte* src, std::size_t bytes,
                             std::uint16_t factor) {
  for (std::size_t i = 0; i + 1 < bytes; i += 2) {
    XorWord(dst + i, Multiply(factor, LoadWord(src + i)));
  }
}

void PortableMany(std::byte* const* dst, const std::uint16_t* factors, std::size_t count,
                  const std::byte* src, std::size_t bytes) {
  std::array<ByteProducts, kMaxDestinations> products;
  for (std::size_t j = 0; j < count; ++j) products[j] = ByteProductsOf(factors[j]);
  for (std::size_t at = 0; at < bytes; at += kSubBlockBytes) {
    const std::size_t n = std::min(kSubBlockBytes, bytes - at);
    for (std::size_t j = 0; j < count; ++j) {
      AccumulateWithProducts(dst[j] + at, src + at, n, products[j]);
    }
  }
}

}  // namespace detail

std::uint16_t Multiply(std::uint16_t a, std::uint16_t b) {
  if (a == 0 || b == 0) return 0;
  const Tables& t = FieldTables();
  return t.exp[static_cast<std::uint32_t>(t.log[a]) + t.log[b]];
}

std::uint16_t Divide(std::uint16_t a, std::uint16_t b) {
  if (a == 0) return 0;
  const Tables& t = FieldTables();
  return t.exp[static_cast<std::uint32_t>(t.log[a]) + kOrder - t.log[b]];
}

std::uint16_t Inverse(std::uint16_t a) { return Divide(1, a); }

std::uint16_t Power(std::uint16_t base, std::uint32_t exponent) {
  if (base == 0) return exponent == 0 ? 1 : 0;
  const Tables& t = FieldTables();
  return t.exp[static_cast<std::uint64_t>(t.log[base]) * exponent % kOrder];
}

std::uint16_t Exp2(std::uint32_t n) { return FieldTables().exp[n % kOrder]; }

bool KernelAvailable(Kernel kernel) { return KernelFunction(kernel) != nullptr; }

Kernel FastestKernel() {
  static const Kernel fastest = FindFastestKernel();
  return fastest;
}

void MultiplyAccumulate(std::byte* dst, const std::byte* src, std::size_t bytes,
                        std::uint16_t factor) {
  std::byte* const dsts[] = {dst};
  const std::uint16_t factors[] = {factor};
  MultiplyAccumulateMany(FastestKernel(), dsts, factors, src, bytes);
}

void MultiplyAccumulateMany(std::span<std::byte* const> dst, std::span<const std::uint16_t> factors,
                            const std::byte* src, std::size_t bytes) {
  MultiplyAccumulateMany(FastestKernel(), dst, factors, src, bytes);
}

void MultiplyAccumulateMany(Kernel kernel, std::span<std::byte* const> dst,
                            std::span<const std::uint16_t> factors, const std::byte* src,
                            std::size_t bytes) {
  detail::ManyKernel run = KernelFunction(kernel);
  if (run == nullptr) run = detail::PortableMany;
  // A zero factor adds nothing; the kernels see only the others.
  constexpr std::size_t kBatch = detail::kMaxDestinations;
  std::byte* batchDst[kBatch];
  std::uint16_t batchFactors[kBatch];
  std::size_t n = 0;
  const std::size_t count = std::min(dst.size(), factors.size());
  for (std::size_t j = 0; j < count; ++j) {
    if (factors[j] == 0) continue;
    batchDst[n] = dst[j];
    batchFactors[n] = factors[j];
    if (++n == kBatch) {
      run(batchDst, batchFactors, n, src, bytes);
      n = 0;
    }
  }
  if (n > 0) run(batchDst, batchFactors, n, src, bytes);
}

}  // namespace gf16
