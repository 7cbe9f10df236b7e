#pragma once
// The POSIX settings file's contents: registry keys with typed values, read from and written
// as text in the registry-export style:
//
//   [HKEY_CURRENT_USER\Software\Velmont Computing\Partwell\Split]
//   "Max. file size"=hex(b):00,00,00,40,00,00,00,00
//   "Files"=dword:00000003
//   "Folder"="/home/ann/Documents"
//
// Names compare without regard to ASCII letter case, as the registry compares them.

#include <string>
#include <string_view>
#include <vector>

#include "platform/plain_text.h"
#include "platform/registry.h"

namespace platform {

struct SettingsValue {
  std::string name;
  RegistryValue value;
};

struct SettingsKey {
  std::string path;  // below HKEY_CURRENT_USER, without a trailing backslash
  std::vector<SettingsValue> values;
};

// Keys in file order; a key's parents below the program key are always present.
struct SettingsDocument {
  std::vector<SettingsKey> keys;
};

// Lines that cannot be read (damaged, cut short, of an unknown form) are skipped; every
// readable value is kept.
SettingsDocument ParseSettingsDocument(std::string_view text);
std::string FormatSettingsDocument(const SettingsDocument& document);

std::vector<std::string_view> SplitKeyPath(std::string_view path);
// The path without the trailing backslash that key paths carry.
std::string NormalizeKeyPath(std::string_view path);

SettingsKey* FindKey(SettingsDocument& document, std::string_view path);
const SettingsValue* FindValue(const SettingsKey& key, std::string_view name);
void SetKeyValue(SettingsKey& key, std::string_view name, const RegistryValue& value);
// Adds the key and its missing parents from the program key down.
void AddKey(SettingsDocument& document, std::string_view path);
// Fails as the registry does for a missing key or one that still has subkeys.
ErrorCode RemoveKey(SettingsDocument& document, std::string_view path);

}  // namespace platform
