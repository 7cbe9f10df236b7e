#pragma once
// The console's own words for the texts of the string table that mislead on a terminal: they
// were written for message boxes with an OK button and for a window that shows one rate.
// The window keeps the table's texts; any text not named here is returned as it is.

#include <cstdint>
#include <string>
#include <string_view>

// An error or a question: a sharing violation says that another program is using the file,
// and a lite program too old for self-extraction names the option that does without it.
std::string ConsoleWording(std::string_view text);

// A status text of a verify: the split files are verified, no merged file is created.
std::string VerifyStatusText(std::string_view text);

// The transfer line without its rate when the run took less than a second, where the rate
// would be the bytes done taken as one second's.
std::string TransferLineText(std::string_view text, std::uint64_t elapsedMilliseconds);

// Why the location prompt is shown, as the console shows it.
struct LocationReason {
  // One line: a damaged or missing split file is named by its path and its disk number.
  std::string text;
  // What to insert before pressing Enter when the package is on removable media; empty when
  // the reason is not about a disk.
  std::string mediaHint;
};
// `path` is the prompt's path: the split file asked for, or the folder of a split.
LocationReason ConsoleLocationReason(std::string_view reason, std::string_view path);
