#include "engine/operation_state.h"

#include <algorithm>
#include <string>

#include "base/message_format.h"
#include "base/text_format.h"
#include "res/resource.h"

namespace {

// Time spans beyond this many days cannot be shown and are marked invalid.
constexpr double kLargestSpanDays = 3615897.0;
constexpr double kSecondsPerDay = 86400.0;

void ShowFinalStatistics(OperationHost& host, const OperationState& state) {
  const std::uint64_t seconds = ElapsedSeconds(state, host.TickCount());
  host.SetTimingLine(LoadMessage(IDS_TIME_ELAPSED, {SecondsText(seconds)}).value_or(""));
  const std::uint64_t rate = state.bytesDone / std::max<std::uint64_t>(seconds, 1);
  host.SetTransferLine(
      LoadMessage(IDS_DATA_PROCESSED, {FormatByteSize(state.bytesDone), FormatByteSize(rate)})
          .value_or(""));
}

void ShowProgress(OperationHost& host, int percent) {
  if (percent == kProgressUnchanged) return;
  host.SetProgress(percent);
  if (percent != 0) return;
  host.SetCaption(LoadMessage(IDS_APP_TITLE).value_or(""));
  ShowFinalStatistics(host, ProcessOperationState());
}

}  // namespace

OperationState& ProcessOperationState() {
  static OperationState state;
  return state;
}

OperationScope::OperationScope(OperationHost& host) : host_(host) {
  OperationState& state = ProcessOperationState();
  state.operationRunning = true;
  state.cancelRequested = false;
  state.operationEndTick = 0;
  state.operationStartTick = host_.TickCount();
  state.bytesTotal = 0;
  state.bytesDone = 0;
}

OperationScope::~OperationScope() {
  OperationState& state = ProcessOperationState();
  state.operationEndTick = host_.TickCount();
  state.cancelRequested = false;
  state.operationRunning = false;
}

void RequestCancel() { ProcessOperationState().cancelRequested = true; }

void SetStatus(OperationHost& host, int percent) { ShowProgress(host, percent); }

void SetStatus(OperationHost& host, int percent, unsigned textId,
               std::initializer_list<std::string_view> args) {
  // A text missing from the table is shown as an empty status rather than ending the
  // operation over a report.
  host.SetStatusText(LoadMessage(textId, args).value_or(""));
  ShowProgress(host, percent);
}

void SetStatus(OperationHost& host, int percent, std::string_view pattern,
               std::initializer_list<std::string_view> args) {
  host.SetStatusText(FormatMessageText(pattern, args));
  ShowProgress(host, percent);
}

std::uint64_t ElapsedSeconds(const OperationState& state, std::uint64_t now) {
  const std::uint64_t end = state.operationEndTick != 0 ? state.operationEndTick : now;
  return (end - state.operationStartTick + 500) / 1000;
}

std::string SecondsText(std::uint64_t seconds) {
  const double days = static_cast<double>(seconds) / kSecondsPerDay;
  return FormatTimeSpan(days, days > kLargestSpanDays ? TimeStatus::invalid : TimeStatus::valid);
}
