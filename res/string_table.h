#pragma once
// The program's one string table, keyed by the ids of res/resource.h, on every platform.

#include <optional>
#include <string>

#include "res/resource.h"

// The text of a string-table entry; nothing when the id is not in the table.
std::optional<std::string> StringTableText(unsigned id);

// The program's own title: "Partwell" or "PartwellLite", set once by each program's entry.
void SetApplicationTitle(std::string title);
