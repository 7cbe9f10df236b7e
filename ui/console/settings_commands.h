#pragma once
// What the console's settings commands show and change: every stored preference with its
// value and place, one preference changed from text, and the preset split sizes.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/app_preferences.h"
#include "ui/split_presets.h"

struct PreferenceLine {
  std::string name;      // "Split\Max. file size"
  std::string value;     // as the user reads it: switches 1 or 0, sizes in the long form
  std::string location;  // "HKEY_CURRENT_USER\Software\Velmont Computing\Partwell\Split"
};

struct PreferenceListing {
  // The settings file (POSIX) or key (Windows) that holds them; empty when nothing is stored.
  std::string store;
  std::string configFile;  // the configuration file looked for; it need not exist
  std::vector<PreferenceLine> preferences;
};

PreferenceListing ListPreferences(AppPreferences& prefs);

// Changes the preference named "Subkey\Value" (or with "/"; letter case is free) to the value
// given as text, checked as the pages check it: the maximum split file size as the size box
// reads it, the number of split files from 2 to 32,766, the recovery share from 1 to 100,
// switches as 1/0, yes/no, on/off or true/false, a folder that exists (or none). Nothing when
// done, else the finished refusal.
std::optional<std::string> SetPreference(AppPreferences& prefs, std::string_view name,
                                         std::string_view value);

// The Split page's preset sizes with their labels.
std::vector<SizePreset> PresetSizes(const AppPreferences& prefs);
