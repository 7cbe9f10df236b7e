#include "ui/console/settings_commands.h"

#include <climits>
#include <type_traits>

#include "base/exceptions.h"
#include "base/text_format.h"
#include "platform/files.h"
#include "platform/plain_text.h"
#include "res/resource.h"
#include "ui/split_checks.h"

namespace {

std::string FullName(const StoredPreference& preference) {
  return std::string(preference.subkey) + "\\" + std::string(preference.name);
}

bool NamesPreference(std::string_view name, const StoredPreference& preference) {
  std::size_t separator = name.find_first_of("\\/");
  return separator != std::string_view::npos &&
         platform::EqualIgnoringCase(name.substr(0, separator), preference.subkey) &&
         platform::EqualIgnoringCase(name.substr(separator + 1), preference.name);
}

std::string ShownValue(const StoredPreference& preference) {
  return std::visit(
      [](auto* field) -> std::string {
        using Field = std::remove_pointer_t<decltype(field)>;
        if constexpr (std::is_same_v<Field, bool>) {
          return *field ? "1" : "0";
        } else if constexpr (std::is_same_v<Field, int>) {
          return std::to_string(*field);
        } else if constexpr (std::is_same_v<Field, std::uint64_t>) {
          return FormatByteSizeLong(*field, true);
        } else {
          return *field;
        }
      },
      preference.field);
}

bool ParseSwitch(std::string_view text, bool& on) {
  for (std::string_view word : {"1", "yes", "on", "true"}) {
    if (platform::EqualIgnoringCase(text, word)) return on = true;
  }
  for (std::string_view word : {"0", "no", "off", "false"}) {
    if (platform::EqualIgnoringCase(text, word)) return !(on = false);
  }
  return false;
}

struct IntegerRange {
  std::int64_t low;
  std::int64_t high;
};

// The values a page accepts for an integer preference.
IntegerRange RangeOf(const StoredPreference& preference) {
  if (preference.name == "Page" || preference.name == "By size") return {0, 1};
  if (preference.name == "State") return {1, 3};
  return {INT_MIN, INT_MAX};
}

int CheckedInteger(const StoredPreference& preference, std::string_view text) {
  if (preference.name == "Files") return CheckedSplitFileCount(text);
  if (preference.name == "Recovery percent") return CheckedRecoveryPercent(text);
  IntegerRange range = RangeOf(preference);
  std::int64_t value = 0;
  if (!ParseInteger(text, value) || value < range.low || value > range.high) {
    ThrowAppException(IDS_SETTING_RANGE, {FullName(preference), std::to_string(range.low),
                                          std::to_string(range.high)});
  }
  return static_cast<int>(value);
}

// Assigns the checked value; a refusal is thrown with its message.
void AssignChecked(const StoredPreference& preference, std::string_view text) {
  std::visit(
      [&](auto* field) {
        using Field = std::remove_pointer_t<decltype(field)>;
        if constexpr (std::is_same_v<Field, bool>) {
          if (!ParseSwitch(text, *field))
            ThrowAppException(IDS_SETTING_SWITCH, {FullName(preference)});
        } else if constexpr (std::is_same_v<Field, int>) {
          *field = CheckedInteger(preference, text);
        } else if constexpr (std::is_same_v<Field, std::uint64_t>) {
          *field = CheckedSplitFileSize(text);
        } else {
          if (preference.name == "Folder" && !text.empty() &&
              platform::QueryPathKind(std::string(text)) != platform::PathKind::Folder) {
            ThrowAppException(IDS_FOLDER_NOT_FOUND, {text});
          }
          *field = text;
        }
      },
      preference.field);
}

}  // namespace

PreferenceListing ListPreferences(AppPreferences& prefs) {
  PreferenceListing listing;
  if (prefs.HasRoot()) listing.store = platform::RegistryStoreLocation(prefs.KeyPath());
  listing.configFile = prefs.ConfigFilePath();
  for (const StoredPreference& preference : prefs.StoredPreferences()) {
    listing.preferences.push_back(
        {FullName(preference), ShownValue(preference), prefs.KeyDescription(preference.subkey)});
  }
  return listing;
}

std::optional<std::string> SetPreference(AppPreferences& prefs, std::string_view name,
                                         std::string_view value) {
  try {
    for (const StoredPreference& preference : prefs.StoredPreferences()) {
      if (!NamesPreference(name, preference)) continue;
      AssignChecked(preference, value);
      prefs.SetModified();
      return std::nullopt;
    }
    ThrowAppException(IDS_NO_SUCH_SETTING, {name});
  } catch (const CException& refusal) {
    return std::string(refusal.what());
  }
}

std::vector<SizePreset> PresetSizes(const AppPreferences& prefs) {
  return SplitSizePresets(prefs.ConfigFilePath());
}
