#pragma once
// Text is UTF-8 inside the program; UTF-16 at the Win32 boundary and in package records.
// Character limits count UTF-16 code units, as the records store them.

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// Malformed input becomes U+FFFD, one per bad byte or lone surrogate.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);
std::size_t Utf16Length(std::string_view text);
// The longest leading part of the text that takes at most `units` UTF-16 code units; a
// character is never split.
std::string_view Utf16Prefix(std::string_view text, std::size_t units);

// 8-bit text of early package records: the ANSI code page on Windows, Windows-1252 on POSIX.
std::string AnsiToUtf8(std::string_view bytes);

}  // namespace platform
