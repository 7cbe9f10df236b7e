#pragma once
// Text from files and settings as a terminal may safely show it.

#include <string>
#include <string_view>

// Control characters (C0, DEL and C1) and bytes that are not UTF-8 are written as escapes
// (\n, \t, \r, \x1b, \u009b) so that a stored text cannot move the cursor, change colours or
// send the terminal commands; every printable character stays as it is.
std::string EscapeForTerminal(std::string_view text);
