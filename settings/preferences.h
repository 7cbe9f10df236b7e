#pragma once
// The preferences that every program of the family keeps: versions, the user data location
// and the main window; with the start-up and exit steps of the settings and the
// configuration file's place.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/system_error.h"
#include "settings/settings_store.h"

// A window rectangle in screen coordinates.
struct WindowRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  bool IsEmpty() const { return right <= left || bottom <= top; }
  bool operator==(const WindowRect&) const = default;
};

// What the main window reports of itself: its show command (1 normal, 2 minimised,
// 3 maximised) and its normal (restored) rectangle.
struct WindowPlacement {
  int showCommand = 1;
  WindowRect normalBounds;
};

// One stored preference: where it lives and the field that holds it.
struct StoredPreference {
  std::string_view subkey;
  std::string_view name;
  std::variant<bool*, int*, std::uint64_t*, std::string*> field;
  bool isBounds = false;  // written only when the window's bounds were recorded
};

class Preferences : public SettingsStore {
 public:
  using SettingsStore::SettingsStore;

  // Reads the "CurrentVersion" values (updated by the next save) and resolves the user data
  // location; a user data folder or file that does not exist is thrown as a system error.
  void LoadInstallInfo() override;
  void SetDefaults() override;
  void Load() override;
  void Save() override;

  // The arguments the program was started with, where the user data options are looked for.
  void SetCommandLine(std::vector<std::string> arguments) { commandLine_ = std::move(arguments); }

  // Start-up, after the key path is built: installation information, defaults, stored values.
  void LoadAtStart();
  // Exit: the values are marked modified and saved, when there is somewhere to save them.
  // Returns the store's error when they could not be written, which leaves it as it was.
  platform::ErrorCode SaveAtExit();

  // Records where the main window stands; null when there is no window (the console), which
  // records nothing.
  void RecordWindowPlacement(const WindowPlacement* placement);

  // The configuration file: the user data file, else <file name or application name>.ini in
  // the user data folder or the program's folder; empty when there is none.
  std::string ConfigFilePath(std::string_view fileName = {}) const;

  // Every stored preference in load and save order, the window's last.
  std::vector<StoredPreference> StoredPreferences();

  std::uint32_t previousVersion = 0;
  std::uint32_t currentVersion = 0;  // major << 16 | minor, from the version resource
  std::string userDataFolder;
  std::string userDataFilePath;
  int windowState{};  // 1 normal, 2 minimised, 3 maximised
  bool onTop = false;
  WindowRect windowBounds;

 protected:
  // The program's own stored preferences, in load and save order.
  virtual std::vector<StoredPreference> ProgramPreferences() { return {}; }

 private:
  std::string ResolveUserDataLocation(std::string_view name, bool isFolder) const;
  void SaveInstallInfo();
  void RemoveOldSubkeys();

  std::vector<std::string> commandLine_;
  // What the next save records of the program, when the stored values differ.
  std::string pathToRecord_;
  std::optional<std::uint32_t> versionToRecord_;
  platform::ErrorCode saveError_ = 0;  // of the last save
};

// The path of a file in a folder, joined as the configuration file's path is: a slash when
// the folder already uses slashes or the platform does, a backslash otherwise, nothing when
// the folder ends with a separator.
std::string JoinConfigPath(std::string_view folder, std::string_view fileName, bool windowsStyle);
