#pragma once
// The one live line a terminal shows while an operation runs: a bar, the percentage, the time
// spent and still to go, and the rate.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/operation_state.h"

struct ProgressFigures {
  int percent = 0;
  std::uint64_t elapsedSeconds = 0;
  std::optional<std::uint64_t> remainingSeconds;  // nothing in the first second
  std::optional<std::uint64_t> bytesPerSecond;    // nothing in the first second
};

// Milliseconds from the operation's start to its end, or to `now` while it runs.
std::uint64_t ElapsedMilliseconds(const OperationState& state, std::uint64_t now);

// The figures of the running operation at `now`, with the percentage the bar shows. The time
// still to go is the projected whole duration less the time spent, as the status lines have it.
ProgressFigures CurrentProgressFigures(const OperationState& state, int percent, std::uint64_t now);

// "[#########-----------]  45%  00:00:12 elapsed  00:00:15 left  120.00 MB/s", fitted into
// `width` columns less one (so the cursor never wraps) by narrowing the bar, then by cutting.
// The rate is left out while there is none.
std::string ProgressLineText(const ProgressFigures& figures, std::optional<int> width);

// Characters of a UTF-8 text, each taken as one column.
std::size_t TextColumns(std::string_view text);
