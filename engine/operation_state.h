#pragma once
// The record of the one running operation, and the call through which the engines report.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "engine/operation_host.h"

// One for the whole program: only one operation runs at a time. Touched only by the
// user-interface thread.
struct OperationState {
  bool operationRunning = false;
  bool cancelRequested = false;  // the user asked to cancel; seen at the next poll
  std::uint64_t operationStartTick = 0;
  std::uint64_t operationEndTick = 0;  // 0 while running
  std::uint64_t bytesTotal = 0;        // bytes the operation will process
  std::uint64_t bytesDone = 0;         // bytes processed so far
};

// The program's one operation state.
OperationState& ProcessOperationState();

// Marks the operation as running for its lifetime: begins on construction (clock started,
// counters and cancel request cleared) and ends on every exit path, errors included. The
// start and end ticks stay afterwards, so the final status can measure the whole operation.
class OperationScope {
 public:
  explicit OperationScope(OperationHost& host);
  OperationScope(const OperationScope&) = delete;
  OperationScope& operator=(const OperationScope&) = delete;
  ~OperationScope();

 private:
  OperationHost& host_;
};

// The Cancel button: the running operation sees the request at its next poll.
void RequestCancel();

// Percent for a status call that leaves the progress position alone.
inline constexpr int kProgressUnchanged = -1;

// Reports a step. The text (when given) is the string-table entry `textId`, or the message
// text `pattern`, with %1, %2... filled from `args`; it replaces the status text. A percent
// other than kProgressUnchanged sets the progress position; percent 0 also puts back the bare
// application title and shows the elapsed time, rounded to the second, and the average rate
// of the operation.
void SetStatus(OperationHost& host, int percent);
void SetStatus(OperationHost& host, int percent, unsigned textId,
               std::initializer_list<std::string_view> args = {});
void SetStatus(OperationHost& host, int percent, std::string_view pattern,
               std::initializer_list<std::string_view> args = {});

// Seconds from start to end (or to `now` while running), rounded to the nearest second.
std::uint64_t ElapsedSeconds(const OperationState& state, std::uint64_t now);
// A count of seconds in the time-span text form ("HH:MM:SS").
std::string SecondsText(std::uint64_t seconds);
