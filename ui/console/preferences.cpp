#include "ui/console/preferences.h"

#include "base/exceptions.h"
#include "base/message_format.h"
#include "base/text_format.h"
#include "platform/registry.h"
#include "platform/version_info.h"
#include "res/resource.h"
#include "ui/console/app.h"

void LoadConsolePreferences(ProgramKind kind, const std::vector<std::string>& arguments,
                            AppPreferences& prefs) {
  std::string programPath;
  platform::VersionInfo version;
  if (const platform::ErrorCode code = platform::ReadOwnVersionInfo(programPath, version)) {
    ThrowSystemError(code, programPath);
  }
  if (version.fixed) prefs.currentVersion = version.fixed->productVersionMs;
  prefs.BuildKeyPath(version.companyName, LoadMessage(IDS_APP_TITLE).value_or(""));
  if (kind == ProgramKind::full) prefs.SetCommandLine(arguments);
  prefs.LoadAtStart();
}

std::optional<std::string> SettingsStoreWarning(const AppPreferences& prefs) {
  if (!prefs.HasRoot() || prefs.KeyPath().empty()) return std::nullopt;
  platform::ErrorCode code = 0;
  const std::string location = platform::RegistryStoreLocation(prefs.KeyPath());
  switch (platform::CheckRegistryStore(prefs.KeyPath(), code)) {
    case platform::RegistryStoreProblem::none:
      return std::nullopt;
    case platform::RegistryStoreProblem::tooLarge:
      return LoadMessage(IDS_SETTINGS_FILE_TOO_LARGE,
                         {location, FormatByteSize(platform::kRegistryStoreLimit, true)});
    case platform::RegistryStoreProblem::notAFile:
      return LoadMessage(IDS_SETTINGS_FILE_NOT_A_FILE, {location});
    case platform::RegistryStoreProblem::unreadable:
      break;
  }
  return LoadMessage(IDS_SETTINGS_FILE_UNREADABLE,
                     {location, platform::SystemErrorText(code).value_or(std::to_string(code))});
}
