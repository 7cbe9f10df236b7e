#pragma once
// The preferences as each console program starts with them.

#include <optional>
#include <string>
#include <vector>

#include "settings/app_preferences.h"

enum class ProgramKind;

// The settings store is named after the company in the program's own version data and the
// program's title. The full program reads its installation information (with the user data
// options of the command line) and its stored values; the lite program keeps the defaults.
// Raises the system error of an unreadable version block, with the program's path, and the
// errors of a user data location that does not exist.
void LoadConsolePreferences(ProgramKind kind, const std::vector<std::string>& arguments,
                            AppPreferences& prefs);

// The warning for a settings store that is set aside (too large, not a file, unreadable), so
// that the user knows why the settings are the defaults; nothing when it is in use.
std::optional<std::string> SettingsStoreWarning(const AppPreferences& prefs);
