#pragma once
// A message as the console programs write it on standard error: the program's name first, as
// the other tools of a terminal do, so that a script's log tells who said it.

#include <string>
#include <string_view>

// "partwell: " before the first line. The blank lines that part a message box's paragraphs
// are left out; the other lines follow as they are.
std::string MessageText(std::string_view programName, std::string_view text);

// The message as a line of its own on standard error.
void WriteMessage(std::string_view programName, std::string_view text);
