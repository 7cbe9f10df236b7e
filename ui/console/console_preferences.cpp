#include "ui/console/console_preferences.h"

#include "app/exceptions.h"
#include "app/message_format.h"
#include "platform/version_info.h"
#include "res/resource.h"
#include "ui/console/console_app.h"

void LoadConsolePreferences(ProgramKind kind, const std::vector<std::string>& arguments,
                            CAppPrefs& prefs) {
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
