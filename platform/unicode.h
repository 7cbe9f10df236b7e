#pragma once
// Text is UTF-8 inside the program; UTF-16 at the Win32 boundary and in package records.
// Character limits count UTF-16 code units, as the records store them.

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// Lossless for any bytes: each byte that is not part of valid UTF-8 (a POSIX file name need
// not be) becomes the lone surrogate U+DC80 to U+DCFF, and such a surrogate becomes that byte
// again. Other lone surrogates become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);
std::size_t Utf16Length(std::string_view text);
// The longest leading part of the text that takes at most `units` UTF-16 code units; a
// character is never split.
std::string_view Utf16Prefix(std::string_view text, std::size_t units);

// The text for a terminal or a message: each byte that is not part of valid UTF-8 shown as
// "\xFF", so that a name in any encoding cannot garble the output.
std::string DisplayText(std::string_view text);

// 8-bit text of early package records: the ANSI code page on Windows, Windows-1252 on POSIX.
std::string AnsiToUtf8(std::string_view bytes);

}  // namespace platform
