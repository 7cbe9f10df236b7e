#include "engine/recovery/gf16_matrix.h"

#include <cstddef>
#include <new>

#include "engine/recovery/gf16.h"

std::vector<std::uint16_t> InputSliceConstants(std::uint32_t count) {
  std::vector<std::uint16_t> constants;
  constants.reserve(count);
  for (std::uint32_t n = 1; constants.size() < count; ++n) {
    if (n % 3 == 0 || n % 5 == 0 || n % 17 == 0 || n % 257 == 0) continue;
    constants.push_back(gf16::Exp2(n));
  }
  return constants;
}

namespace {

// Beyond this the inverse alone would not fit comfortably in memory.
constexpr std::size_t kMaxInverseBytes = std::size_t{512} << 20;

// The system being solved, one row per recovery slice tried: k coefficients (one per missing
// slice) and then k more that say which chosen exponents' rows were summed into it. The rows
// are little-endian words, as the multiply-accumulate takes them.
class Elimination {
 public:
  Elimination(std::span<const std::uint16_t> constants, std::span<const std::uint32_t> exponents)
      : constants_(constants),
        exponents_(exponents),
        k_(constants.size()),
        width_(2 * k_),
        rows_(k_ * width_ * 2),
        pivotColumn_(k_),
        chosen_(k_) {}

  std::optional<RecoverySolution> Solve() {
    for (std::size_t r = 0; r < k_; ++r) Fill(r);
    for (std::size_t r = 0; r < k_; ++r) {
      std::optional<std::size_t> column = NonZeroColumn(r);
      while (!column) {
        // The row depends on those before it: the next exponent takes its place.
        if (nextExponent_ == exponents_.size()) return std::nullopt;
        Fill(r);
        ReduceByPivotsBefore(r);
        column = NonZeroColumn(r);
      }
      MakePivot(r, *column);
    }
    return Result();
  }

 private:
  std::byte* Row(std::size_t r) { return rows_.data() + r * width_ * 2; }

  std::uint16_t Get(std::size_t r, std::size_t column) {
    const std::byte* p = Row(r) + column * 2;
    return static_cast<std::uint16_t>(static_cast<unsigned>(p[0]) | static_cast<unsigned>(p[1])
                                                                        << 8);
  }

  void Set(std::size_t r, std::size_t column, std::uint16_t value) {
    std::byte* p = Row(r) + column * 2;
    p[0] = static_cast<std::byte>(value & 0xFF);
    p[1] = static_cast<std::byte>(value >> 8);
  }

  // Once row r is a pivot, no row holds a sum of a row chosen after r: the words past those
  // stay zero. An earlier pivot takes in the sums of every later one as each is made.
  std::size_t LiveBytes(std::size_t r) const { return (k_ + r + 1) * 2; }

  void Fill(std::size_t r) {
    const std::uint32_t e = exponents_[nextExponent_++];
    chosen_[r] = e;
    for (std::size_t m = 0; m < k_; ++m) Set(r, m, gf16::Power(constants_[m], e));
    for (std::size_t j = 0; j < k_; ++j) Set(r, k_ + j, j == r ? 1 : 0);
  }

  void ReduceByPivotsBefore(std::size_t r) {
    for (std::size_t p = 0; p < r; ++p) {
      const std::uint16_t f = Get(r, pivotColumn_[p]);
      if (f != 0) gf16::MultiplyAccumulate(Row(r), Row(p), LiveBytes(r - 1), f);
    }
  }

  std::optional<std::size_t> NonZeroColumn(std::size_t r) {
    for (std::size_t m = 0; m < k_; ++m) {
      if (Get(r, m) != 0) return m;
    }
    return std::nullopt;
  }

  // Scales row r to 1 in `column` and clears that column from every other row.
  void MakePivot(std::size_t r, std::size_t column) {
    pivotColumn_[r] = column;
    const std::uint16_t scale = gf16::Inverse(Get(r, column));
    for (std::size_t c = column; c < k_ + r + 1; ++c) Set(r, c, gf16::Multiply(Get(r, c), scale));
    std::vector<std::byte*> dst;
    std::vector<std::uint16_t> factors;
    for (std::size_t q = 0; q < k_; ++q) {
      const std::uint16_t f = Get(q, column);
      if (q == r || f == 0) continue;
      dst.push_back(Row(q));
      factors.push_back(f);
    }
    // The pivot is the row's first non-zero coefficient: the words before it add nothing.
    const std::size_t skip = column * 2;
    for (std::byte*& d : dst) d += skip;
    gf16::MultiplyAccumulateMany(dst, factors, Row(r) + skip, LiveBytes(r) - skip);
  }

  // Each row is now the unit row of its pivot column, and its sums say how the chosen recovery
  // slices make that missing slice.
  RecoverySolution Result() {
    RecoverySolution solution;
    solution.exponents = chosen_;
    solution.inverse.resize(k_ * k_);
    for (std::size_t r = 0; r < k_; ++r) {
      for (std::size_t j = 0; j < k_; ++j) {
        solution.inverse[pivotColumn_[r] * k_ + j] = Get(r, k_ + j);
      }
    }
    return solution;
  }

  std::span<const std::uint16_t> constants_;
  std::span<const std::uint32_t> exponents_;
  std::size_t k_;
  std::size_t width_;
  std::vector<std::byte> rows_;
  std::vector<std::size_t> pivotColumn_;
  std::vector<std::uint32_t> chosen_;
  std::size_t nextExponent_ = 0;
};

}  // namespace

std::optional<RecoverySolution> SolveRecovery(std::span<const std::uint16_t> missingConstants,
                                              std::span<const std::uint32_t> exponents) {
  const std::size_t k = missingConstants.size();
  if (k == 0) return RecoverySolution{};
  if (exponents.size() < k || k > kMaxInverseBytes / 2 / k) return std::nullopt;
  try {
    return Elimination(missingConstants, exponents).Solve();
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}
