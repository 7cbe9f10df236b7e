#include <string>

#include "base/exceptions.h"
#include "base/message_format.h"
#include "platform/console.h"
#include "platform/plain_text.h"
#include "platform/registry.h"
#include "platform/system_error.h"
#include "res/resource.h"
#include "ui/console/commands.h"
#include "ui/console/json_writer.h"
#include "ui/console/message.h"
#include "ui/console/preferences.h"
#include "ui/console/settings_commands.h"
#include "ui/console/terminal_text.h"

namespace {

void WriteOutputLine(std::string_view line) {
  platform::WriteToStandardOutput(std::string(line) + "\n");
}

std::string WithBackslash(std::string_view name) {
  std::string text(name);
  for (char& c : text) {
    if (c == '/') c = '\\';
  }
  return text;
}

// Preferences grouped under the key (or file section) that holds them; false when a name is
// asked for and none has it. Stored texts are shown escaped: a value may hold anything.
bool WriteListing(const PreferenceListing& listing, std::string_view onlyName) {
  if (onlyName.empty()) {
    WriteOutputLine("Settings file: " +
                    (listing.store.empty() ? "(none)" : EscapeForTerminal(listing.store)));
    WriteOutputLine("Configuration file: " + (listing.configFile.empty()
                                                  ? "(none)"
                                                  : EscapeForTerminal(listing.configFile)));
  }
  std::string location;
  bool found = false;
  for (const PreferenceLine& line : listing.preferences) {
    if (!onlyName.empty() && !platform::EqualIgnoringCase(line.name, WithBackslash(onlyName))) {
      continue;
    }
    found = true;
    if (line.location != location) {
      location = line.location;
      WriteOutputLine(EscapeForTerminal(location));
    }
    WriteOutputLine("  " + line.name + " = " + EscapeForTerminal(line.value));
  }
  return found;
}

ExitStatus RunSettings(ConsoleContext& context) {
  const std::vector<std::string>& operands = context.arguments.operands;
  if (operands.size() == 2) {
    if (const std::optional<std::string> refusal =
            SetPreference(context.prefs, operands[0], operands[1])) {
      WriteMessage(context.programName, *refusal);
      return ExitStatus::failed;
    }
    // The start has said why a settings file that is set aside takes no change.
    if (SettingsStoreWarning(context.prefs)) return ExitStatus::failed;
    if (const platform::ErrorCode code = context.prefs.SaveAtExit()) {
      throw CFileException(platform::FileErrorCauseFor(code), static_cast<long>(code),
                           platform::RegistryStoreLocation(context.prefs.KeyPath()));
    }
  }
  const std::string name = operands.empty() ? std::string() : operands[0];
  if (WriteListing(ListPreferences(context.prefs), name)) return ExitStatus::done;
  WriteMessage(context.programName, LoadMessage(IDS_NO_SUCH_SETTING, {name}).value_or(""));
  return ExitStatus::failed;
}

void WriteSizesJson(const std::vector<SizePreset>& presets) {
  JsonWriter json;
  json.BeginObject().Key("sizes").BeginArray();
  for (const SizePreset& preset : presets) {
    json.BeginObject().Key("bytes").Number(preset.bytes).Key("text").String(preset.text);
    json.EndObject();
  }
  platform::WriteToStandardOutput(json.EndArray().EndObject().Document());
}

ExitStatus RunSizes(ConsoleContext& context) {
  const std::vector<SizePreset> presets = PresetSizes(context.prefs);
  if (context.arguments.json) {
    WriteSizesJson(presets);
    return ExitStatus::done;
  }
  for (const SizePreset& preset : presets) WriteOutputLine(preset.text);
  return ExitStatus::done;
}

}  // namespace

extern const ConsoleCommand kSettingsCommand = {{"settings", 0, 2, 0}, RunSettings};
extern const ConsoleCommand kSizesCommand = {{"sizes", 0, 0, kOptionJson}, RunSizes};
