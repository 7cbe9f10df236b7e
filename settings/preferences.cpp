#include "settings/preferences.h"

#include <type_traits>

#include "base/exceptions.h"
#include "base/path_text.h"
#include "platform/files.h"
#include "platform/plain_text.h"
#include "platform/system_info.h"
#include "settings/command_line_option.h"

namespace {

constexpr std::string_view kCurrentVersion = "CurrentVersion";
// A user data folder of this name is the program's own folder.
constexpr std::string_view kApplicationFolder = "<APPLICATION>";
// Settings recorded by version 3.0 or earlier are laid out anew. Without a recorded version
// nothing says they are old, so they are kept as they are.
constexpr std::uint32_t kLastOldLayoutVersion = 0x30000;
constexpr std::string_view kOldLayoutSubkeys[] = {"View", "Window", "Split", "Merge"};

// The folder that holds the program file, with its trailing separator; empty when the
// program's path cannot be had.
std::string ProgramFolder() {
  std::string path;
  if (platform::ModuleFilePath(path) != 0) return {};
  return FolderPart(path);
}

void LoadPreference(const SettingsKey& store, const StoredPreference& preference) {
  std::visit(
      [&](auto* field) {
        using Field = std::remove_pointer_t<decltype(field)>;
        const std::string_view subkey = preference.subkey;
        const std::string_view name = preference.name;
        if constexpr (std::is_same_v<Field, bool>) {
          *field = store.ReadDword(subkey, name, *field ? 1 : 0) != 0;
        } else if constexpr (std::is_same_v<Field, int>) {
          *field =
              static_cast<int>(store.ReadDword(subkey, name, static_cast<std::uint32_t>(*field)));
        } else if constexpr (std::is_same_v<Field, std::uint64_t>) {
          *field = store.ReadQword(subkey, name, *field);
        } else {
          *field = store.ReadText(subkey, name, *field);
        }
      },
      preference.field);
}

void SavePreference(SettingsKey& store, const StoredPreference& preference) {
  std::visit(
      [&](auto* field) {
        using Field = std::remove_pointer_t<decltype(field)>;
        const std::string_view subkey = preference.subkey;
        const std::string_view name = preference.name;
        if constexpr (std::is_same_v<Field, bool>) {
          store.WriteDword(subkey, name, *field ? 1 : 0);
        } else if constexpr (std::is_same_v<Field, int>) {
          store.WriteDword(subkey, name, static_cast<std::uint32_t>(*field));
        } else if constexpr (std::is_same_v<Field, std::uint64_t>) {
          store.WriteQword(subkey, name, *field);
        } else {
          store.WriteText(subkey, name, *field);
        }
      },
      preference.field);
}

}  // namespace

// The program's path and version are recorded with the next save, not at once: a run that
// changes no setting leaves the store as it found it.
void Preferences::LoadInstallInfo() {
  if (!HasRoot()) return;
  std::string programPath;
  pathToRecord_.clear();
  if (platform::ModuleFilePath(programPath) == 0 &&
      !platform::EqualIgnoringCase(ReadText(kCurrentVersion, "Path"), programPath)) {
    pathToRecord_ = programPath;
  }
  previousVersion = ReadDword(kCurrentVersion, "Version", 0);
  versionToRecord_.reset();
  if (previousVersion != currentVersion) versionToRecord_ = currentVersion;
  userDataFolder = ResolveUserDataLocation("UserDataFolder", true);
  userDataFilePath = ResolveUserDataLocation("UserDataFilePath", false);
}

void Preferences::SaveInstallInfo() {
  if (!pathToRecord_.empty()) WriteText(kCurrentVersion, "Path", pathToRecord_);
  if (versionToRecord_) WriteDword(kCurrentVersion, "Version", *versionToRecord_);
}

// The registry's value first, then the command line's, which replaces it; each must name
// something that exists.
std::string Preferences::ResolveUserDataLocation(std::string_view name, bool isFolder) const {
  auto checked = [isFolder](const std::string& value, std::string_view data) {
    if (isFolder && platform::EqualIgnoringCase(value, kApplicationFolder)) return ProgramFolder();
    platform::PathKind expected = isFolder ? platform::PathKind::Folder : platform::PathKind::File;
    if (platform::QueryPathKind(value) != expected) {
      ThrowSystemError(isFolder ? platform::kErrorPathNotFound : platform::kErrorFileNotFound,
                       data);
    }
    return value;
  };
  std::string location;
  std::string stored = ReadText(kCurrentVersion, name);
  if (!stored.empty()) {
    location = checked(stored,
                       KeyDescription(kCurrentVersion) + ": " + std::string(name) + " = " + stored);
  }
  if (std::optional<std::string> option =
          CommandLineOptionValue(commandLine_, std::string(name) + ":")) {
    location = checked(*option, *option);
  }
  return location;
}

void Preferences::SetDefaults() {
  windowState = 1;
  onTop = false;
  windowBounds = {};
  SettingsStore::SetDefaults();
}

std::vector<StoredPreference> Preferences::StoredPreferences() {
  std::vector<StoredPreference> preferences = ProgramPreferences();
  preferences.insert(preferences.end(), {{"Window", "On top", &onTop},
                                         {"Window", "Bounds.left", &windowBounds.left, true},
                                         {"Window", "Bounds.top", &windowBounds.top, true},
                                         {"Window", "Bounds.right", &windowBounds.right, true},
                                         {"Window", "Bounds.bottom", &windowBounds.bottom, true},
                                         {"Window", "State", &windowState}});
  return preferences;
}

void Preferences::Load() {
  if (!HasRoot()) {
    SettingsStore::Load();
    return;
  }
  for (const StoredPreference& preference : StoredPreferences()) LoadPreference(*this, preference);
  if (windowState < 1 || windowState > 3) windowState = 1;
  modified_ = false;
  loaded_ = true;
  if (previousVersion != 0 && previousVersion <= kLastOldLayoutVersion) RemoveOldSubkeys();
}

// The old subkeys go, and the values just read from them are written anew at once rather
// than at exit, so that a run that ends early does not lose them.
void Preferences::RemoveOldSubkeys() {
  platform::RegistryBatch batch;
  bool removed = false;
  for (std::string_view subkey : kOldLayoutSubkeys) removed = DeleteSubkey(subkey) || removed;
  if (removed) Save();
}

void Preferences::Save() {
  if (!HasRoot()) {
    SettingsStore::Save();
    return;
  }
  platform::RegistryBatch batch;
  SaveInstallInfo();
  for (const StoredPreference& preference : StoredPreferences()) {
    if (preference.isBounds && windowBounds.IsEmpty()) continue;
    SavePreference(*this, preference);
  }
  saveError_ = batch.Commit();
  if (saveError_ != 0) platform::SetLastSystemError(saveError_);
  modified_ = false;
}

void Preferences::LoadAtStart() {
  LoadInstallInfo();
  SetDefaults();
  Load();
}

platform::ErrorCode Preferences::SaveAtExit() {
  SetModified();
  if (!IsModified() || !HasRoot() || KeyPath().empty()) return 0;
  Save();
  return saveError_;
}

void Preferences::RecordWindowPlacement(const WindowPlacement* placement) {
  if (placement == nullptr) return;
  if (placement->showCommand == windowState && placement->normalBounds == windowBounds) return;
  windowState = placement->showCommand;
  windowBounds = placement->normalBounds;
  modified_ = true;
}

std::string Preferences::ConfigFilePath(std::string_view fileName) const {
  if (!userDataFilePath.empty()) return userDataFilePath;
  std::string folder = userDataFolder.empty() ? ProgramFolder() : userDataFolder;
  std::string name(fileName.empty() ? std::string_view(ApplicationName()) : fileName);
  if (folder.empty() || name.empty()) return {};
  return JoinConfigPath(folder, name + ".ini",
                        platform::kNativePathStyle == platform::PathStyle::windows);
}

std::string JoinConfigPath(std::string_view folder, std::string_view fileName, bool windowsStyle) {
  std::string path(folder);
  bool endsWithSeparator =
      !path.empty() && (path.back() == '/' || (windowsStyle && path.back() == '\\'));
  if (!endsWithSeparator) {
    path += !windowsStyle || path.find('/') != std::string::npos ? '/' : '\\';
  }
  return path + std::string(fileName);
}
