#pragma once
// String-table access and "%1" message formatting.

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

// Fills %1 to %9 with the arguments ("%%" is a percent sign); an insert without an argument
// stays empty.
std::string FormatMessageText(std::string_view pattern,
                              std::initializer_list<std::string_view> args);
// The string-table text with its inserts filled; nothing when the id is not in the table.
std::optional<std::string> LoadMessage(unsigned stringId,
                                       std::initializer_list<std::string_view> args = {});
// The index-th newline-separated part of a string-table entry; empty when missing.
std::string LoadStringPart(unsigned stringId, int index);
