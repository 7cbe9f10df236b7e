#pragma once
// The terminal the console front end talks to.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The arguments after the program name, in UTF-8 (from the wide command line on Windows).
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// A program without a console of its own (the Windows window programs) that runs a console
// command: the standard streams that were not handed to it go to the console of the program
// that started it, when there is one. Nothing to do on POSIX.
void UseParentConsole();

// Whether the standard streams are a terminal (a console window on Windows; the null device is
// not one).
bool StandardInputIsTerminal();
bool StandardErrorIsTerminal();

// Columns of the terminal that standard error shows on; nothing when it is not a terminal.
std::optional<int> TerminalWidth();

// Writes UTF-8 text to standard error, also to a Windows console whatever its code page; bytes
// outside UTF-8 (a file name in another encoding) are shown escaped, as DisplayText does.
void WriteToStandardError(std::string_view text);
// The same for standard output, where the console programs write what a command reports.
void WriteToStandardOutput(std::string_view text);

enum class LineReadResult {
  line,         // a line was read (a last line without a line break counts)
  interrupted,  // Ctrl-C was pressed while the read was waiting
  closed,       // end of input or a read error
};

// Reads one line from standard input, without its line break. Meant for answers to questions,
// so it reads no further than the line. A Ctrl-C while it waits ends the wait (with the
// interrupt handler installed); what that answers is the caller's choice.
LineReadResult ReadStandardInputLine(std::string& line);

// Ctrl-C as the console's Cancel button. After this, a Ctrl-C no longer ends the program: it
// interrupts a waiting line read, or else requests cancellation, which the caller polls. On
// Windows, Ctrl-Break and closing the console window become requests to end (termination.h).
void InstallInterruptHandler();
bool CancelRequested();
void ClearCancelRequest();

}  // namespace platform
