#include "ui/beep_rule.h"

namespace {

constexpr std::uint64_t kBeepAfterMilliseconds = 15'000;

}  // namespace

bool ShouldBeep(const OperationState& state, bool beepWhenDone, std::uint64_t now) {
  const std::uint64_t end = state.operationEndTick != 0 ? state.operationEndTick : now;
  return beepWhenDone && end - state.operationStartTick > kBeepAfterMilliseconds;
}
