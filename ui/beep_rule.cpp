#include "ui/beep_rule.h"

namespace {

constexpr std::uint64_t kBeepAfterMilliseconds = 15'000;

}  // namespace

bool ShouldBeep(const OperationState& state, bool beepWhenDone, std::uint64_t now) {
  const std::uint64_t end = state.OperationEndTick != 0 ? state.OperationEndTick : now;
  return beepWhenDone && end - state.OperationStartTick > kBeepAfterMilliseconds;
}
