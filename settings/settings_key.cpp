#include "settings/settings_key.h"

#include "platform/unicode.h"

namespace {

// The path buffer of the original holds 255 characters and its null.
constexpr std::size_t kMaxSubkeyPath = 255;

template <typename Number>
platform::RegistryValue NumberValue(std::uint32_t type, Number number) {
  platform::RegistryValue value{type, {}};
  for (std::size_t i = 0; i < sizeof number; ++i) {
    value.data.push_back(static_cast<std::uint8_t>(number >> (8 * i)));
  }
  return value;
}

template <typename Number>
Number NumberFrom(const platform::RegistryValue& value) {
  Number number = 0;
  for (std::size_t i = 0; i < sizeof number; ++i) {
    number |= static_cast<Number>(value.data[i]) << (8 * i);
  }
  return number;
}

}  // namespace

void SettingsKey::BuildKeyPath(std::string_view companyName, std::string_view applicationName,
                               std::string_view explicitPath) {
  applicationName_ = applicationName;
  if (!explicitPath.empty()) {
    keyPath_ = explicitPath;
  } else if (!applicationName.empty()) {
    keyPath_ = "Software\\" + std::string(companyName) + "\\" + std::string(applicationName) + "\\";
  } else {
    keyPath_.clear();
  }
}

platform::RegistryKey SettingsKey::OpenSubkey(std::string_view subkey, bool create,
                                              platform::RegistryAccess access) const {
  platform::RegistryKey key;
  std::string path = keyPath_ + std::string(subkey);
  platform::ErrorCode code = 0;
  if (!HasRoot() || subkey.empty()) {
    code = platform::kErrorInvalidParameter;
  } else if (platform::Utf16Length(path) > kMaxSubkeyPath) {
    code = platform::kErrorBufferOverflow;
  } else if (create) {
    code = platform::CreateRegistryKey(path, key);
  } else {
    code = platform::OpenRegistryKey(path, access, key);
  }
  platform::SetLastSystemError(code);
  return key;
}

bool SettingsKey::ReadValue(std::string_view subkey, std::string_view name, std::uint32_t type,
                            platform::RegistryValue& value) const {
  platform::RegistryKey key = OpenSubkey(subkey, false);
  if (!key.IsOpen()) return false;
  platform::ErrorCode code = key.QueryValue(name, value);
  platform::SetLastSystemError(code);
  return code == 0 && value.type == type;
}

std::uint32_t SettingsKey::ReadDword(std::string_view subkey, std::string_view name,
                                     std::uint32_t current) const {
  platform::RegistryValue value;
  if (!ReadValue(subkey, name, platform::kRegistryDword, value) || value.data.size() != 4) {
    return current;
  }
  return NumberFrom<std::uint32_t>(value);
}

std::uint64_t SettingsKey::ReadQword(std::string_view subkey, std::string_view name,
                                     std::uint64_t current) const {
  platform::RegistryValue value;
  if (!ReadValue(subkey, name, platform::kRegistryQword, value) || value.data.size() != 8) {
    return current;
  }
  return NumberFrom<std::uint64_t>(value);
}

std::string SettingsKey::ReadText(std::string_view subkey, std::string_view name,
                                  std::string_view defaultText) const {
  platform::RegistryValue value;
  if (!ReadValue(subkey, name, platform::kRegistryText, value)) return std::string(defaultText);
  std::u16string units = platform::RegistryTextUnits(value);
  return platform::Utf16ToUtf8(std::u16string_view(units).substr(0, units.find(u'\0')));
}

void SettingsKey::WriteValue(std::string_view subkey, std::string_view name,
                             const platform::RegistryValue& value) {
  platform::RegistryKey key = OpenSubkey(subkey, true);
  if (key.IsOpen()) platform::SetLastSystemError(key.SetValue(name, value));
}

void SettingsKey::WriteDword(std::string_view subkey, std::string_view name, std::uint32_t value) {
  WriteValue(subkey, name, NumberValue(platform::kRegistryDword, value));
}

void SettingsKey::WriteQword(std::string_view subkey, std::string_view name, std::uint64_t value) {
  WriteValue(subkey, name, NumberValue(platform::kRegistryQword, value));
}

void SettingsKey::WriteText(std::string_view subkey, std::string_view name,
                            std::string_view value) {
  WriteValue(subkey, name, platform::RegistryTextValue(value));
}

bool SettingsKey::DeleteSubkey(std::string_view subkey) {
  if (!HasRoot() || keyPath_.empty()) return false;
  platform::RegistryKey settings;
  platform::ErrorCode code =
      platform::OpenRegistryKey(keyPath_, platform::RegistryAccess::setValue, settings);
  if (code == 0) code = settings.DeleteSubkey(subkey);
  platform::SetLastSystemError(code);
  return code == 0;
}

std::string SettingsKey::KeyDescription(std::string_view subkey) const {
  return "HKEY_CURRENT_USER\\" + keyPath_ + std::string(subkey);
}
