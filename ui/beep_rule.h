#pragma once
// When an operation ends with a beep.

#include <cstdint>

#include "engine/operation_state.h"

// With "Beep when done" set, an operation that took more than 15 seconds (start to end, or to
// `now` when it has no end yet) ends with a beep.
bool ShouldBeep(const OperationState& state, bool beepWhenDone, std::uint64_t now);
