#pragma once
// A size as a user types it on a command line.

#include <cstdint>
#include <optional>
#include <string_view>

// "700M", "700MB", "700MiB", "700 MB", "1.5G", "4k" or a bare number of bytes; the units are
// powers of 1024, as the program shows sizes, and their letter case is free. Nothing for any
// other text and for sizes of 2^64 bytes or more; a fraction of a byte is dropped.
std::optional<std::uint64_t> ParseSizeArgument(std::string_view text);
