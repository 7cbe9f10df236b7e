#pragma once
// What the console shows for an error that ends a command, and the exit status it stands for.

#include <exception>
#include <functional>
#include <string>
#include <string_view>

#include "base/exceptions.h"
#include "ui/console/exit_status.h"

using LineWriter = std::function<void(std::string_view line)>;

// When the error was raised: while the program started (the preferences, its own file) or
// while a command ran. Each has the report of the program's error reporting.
enum class ErrorStage { startup, command };

// Writes the report's text in the console's words (nothing for a silent abort) and returns the
// status: cancelled for the silent abort, failed otherwise.
ExitStatus WriteErrorReport(const CException& error, ErrorStage stage, const LineWriter& write);

// The same for the errors of the language's library: "Out of memory." for a failed
// allocation, the error's own text otherwise.
ExitStatus WriteLibraryError(const std::exception& error, const LineWriter& write);

// The text the two above write for an error; empty for the silent abort.
std::string ErrorReportText(const std::exception& error);
