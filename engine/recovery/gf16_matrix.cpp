#include "engine/recovery/gf16_matrix.h"

#include <cstddef>

#include "engine/recovery/gf16.h"

namespace {

bool IsConstantExponent(std::uint32_t n) {
  return n % 3 != 0 && n % 5 != 0 && n % 17 != 0 && n % 257 != 0;
}

// Above this a system is refused rather than allocated: k by k words.
constexpr std::size_t kMaxMatrixBytes = 512ull * 1024 * 1024;

using Row = std::vector<std::uint16_t>;

// row ^= factor * other, word by word.
void AddScaledRow(Row& row, const Row& other, std::uint16_t factor) {
  gf16::MultiplyAccumulate(reinterpret_cast<std::byte*>(row.data()),
                           reinterpret_cast<const std::byte*>(other.data()),
                           row.size() * sizeof(std::uint16_t), factor);
}

}  // namespace

std::vector<std::uint16_t> InputSliceConstants(std::uint32_t count) {
  std::vector<std::uint16_t> constants;
  constants.reserve(count);
  for (std::uint32_t n = 1; constants.size() < count; ++n) {
    if (IsConstantExponent(n)) constants.push_back(gf16::Exp2(n));
  }
  return constants;
}

std::optional<RecoverySolution> SolveRecovery(std::span<const std::uint16_t> missingConstants,
                                              std::span<const std::uint32_t> exponents) {
  const std::size_t k = missingConstants.size();
  if (exponents.size() < k) return std::nullopt;
  if (k * k * 2 * sizeof(std::uint16_t) > kMaxMatrixBytes) return std::nullopt;
  RecoverySolution solution;
  // Each candidate row is [c_m^e for every m | the unit row it started as], reduced against
  // the pivots taken so far; a row that reduces to zero is dependent and passed over.
  std::vector<Row> pivots;  // reduced rows, pivot p in column pivotColumns[p]
  std::vector<std::size_t> pivotColumns;
  std::vector<bool> columnTaken(k, false);
  for (std::uint32_t e : exponents) {
    if (pivots.size() == k) break;
    Row row(2 * k, 0);
    for (std::size_t m = 0; m < k; ++m) row[m] = gf16::Power(missingConstants[m], e);
    row[k + pivots.size()] = 1;
    for (std::size_t p = 0; p < pivots.size(); ++p) {
      const std::uint16_t factor = row[pivotColumns[p]];
      if (factor != 0) AddScaledRow(row, pivots[p], factor);
    }
    std::size_t column = 0;
    while (column < k && (columnTaken[column] || row[column] == 0)) ++column;
    if (column == k) continue;
    // Normalise the pivot to 1 and clear its column from the earlier pivots.
    const std::uint16_t scale = gf16::Inverse(row[column]);
    Row normalised(2 * k, 0);
    AddScaledRow(normalised, row, scale);
    for (std::size_t p = 0; p < pivots.size(); ++p) {
      const std::uint16_t factor = pivots[p][column];
      if (factor != 0) AddScaledRow(pivots[p], normalised, factor);
    }
    pivots.push_back(std::move(normalised));
    pivotColumns.push_back(column);
    columnTaken[column] = true;
    solution.exponents.push_back(e);
  }
  if (pivots.size() < k) return std::nullopt;
  // The reduced rows now read: x[pivotColumns[p]] = sum_j right[p][j] * syndrome_j.
  solution.inverse.assign(k * k, 0);
  for (std::size_t p = 0; p < k; ++p) {
    for (std::size_t j = 0; j < k; ++j)
      solution.inverse[pivotColumns[p] * k + j] = pivots[p][k + j];
  }
  return solution;
}
