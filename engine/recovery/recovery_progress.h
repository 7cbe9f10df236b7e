#pragma once
// What the recovery work shares with its callers: how far it has got, how often it says so, and
// how much memory it may hold for recovery data at once.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>

// Called as the work goes on with the bytes done of the bytes to do; the caller cancels by
// raising from it (the work then removes what it had begun to write).
using RecoveryProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;

// The recovery data held in memory at once; more than this is worked through in passes.
inline constexpr std::size_t kRecoveryMemoryBudget = 256u << 20;

// How often the operation's thread reports while it waits for the recovery work's other thread.
inline constexpr std::chrono::milliseconds kRecoveryReportInterval{100};
