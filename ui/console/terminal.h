#pragma once
// The terminal as the console's operation host sees it. The program uses the real one; tests
// hand in one that records what is written and answers from a script.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/console.h"

struct ConsoleTerminal {
  // Questions can be asked: the user reads standard error and types on standard input.
  bool interactive = false;
  // Standard error is a terminal, so one line can be redrawn in place.
  bool liveProgress = false;
  std::optional<int> width;  // columns, when known
  std::function<void(std::string_view)> write;
  std::function<platform::LineReadResult(std::string&)> readLine;
  std::function<bool()> takeInterrupt;  // a Ctrl-C arrived since the last call
  std::function<bool()> quitRequested;  // the program was asked to end
  std::function<std::uint64_t()> tickCount;
};

// Standard input and standard error of this process.
ConsoleTerminal SystemTerminal();
