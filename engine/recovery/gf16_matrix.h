#pragma once
// The Reed-Solomon matrix of recovery files: each input slice i has a constant c_i, and the
// recovery slice of exponent e is the sum over i of c_i^e times slice i. Rebuilding k missing
// slices from k recovery slices solves a k-by-k system.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// The constants of the first `count` input slices, in the set's order: c_i = 2^n for the i-th
// n >= 1 (counted from 0) that is divisible by none of 3, 5, 17 and 257.
std::vector<std::uint16_t> InputSliceConstants(std::uint32_t count);

struct RecoverySolution {
  // The k recovery exponents used, one per row.
  std::vector<std::uint32_t> exponents;
  // k by k, row-major: missing slice m is the sum over j of inverse[m * k + j] times syndrome
  // j, where syndrome j is recovery slice exponents[j] plus the sum over every present input
  // slice i of c_i^exponents[j] times slice i.
  std::vector<std::uint16_t> inverse;
};

// For the constants of the k missing input slices and the exponents of the recovery slices at
// hand (distinct, any number), picks k exponents whose matrix c_m^e is invertible, preferring
// them in the order given, and inverts it. Nothing when no k of them are, or when there are
// fewer than k. k = 0 gives an empty solution.
std::optional<RecoverySolution> SolveRecovery(std::span<const std::uint16_t> missingConstants,
                                              std::span<const std::uint32_t> exponents);
