#include "settings/reg.h"

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

void CReg::BuildKeyPath(std::string_view companyName, std::string_view applicationName,
                        std::string_view explicitPath) {
  m_applicationName = applicationName;
  if (!explicitPath.empty()) {
    m_keyPath = explicitPath;
  } else if (!applicationName.empty()) {
    m_keyPath =
        "Software\\" + std::string(companyName) + "\\" + std::string(applicationName) + "\\";
  } else {
    m_keyPath.clear();
  }
}

platform::RegistryKey CReg::OpenSubkey(std::string_view subkey, bool create,
                                       platform::RegistryAccess access) const {
  platform::RegistryKey key;
  std::string path = m_keyPath + std::string(subkey);
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

bool CReg::ReadValue(std::string_view subkey, std::string_view name, std::uint32_t type,
                     platform::RegistryValue& value) const {
  platform::RegistryKey key = OpenSubkey(subkey, false);
  if (!key.IsOpen()) return false;
  platform::ErrorCode code = key.QueryValue(name, value);
  platform::SetLastSystemError(code);
  return code == 0 && value.type == type;
}

std::uint32_t CReg::ReadDword(std::string_view subkey, std::string_view name,
                              std::uint32_t current) const {
  platform::RegistryValue value;
  if (!ReadValue(subkey, name, platform::kRegistryDword, value) || value.data.size() != 4) {
    return current;
  }
  return NumberFrom<std::uint32_t>(value);
}

std::uint64_t CReg::ReadQword(std::string_view subkey, std::string_view name,
                              std::uint64_t current) const {
  platform::RegistryValue value;
  if (!ReadValue(subkey, name, platform::kRegistryQword, value) || value.data.size() != 8) {
    return current;
  }
  return NumberFrom<std::uint64_t>(value);
}

std::string CReg::ReadText(std::string_view subkey, std::string_view name,
                           std::string_view defaultText) const {
  platform::RegistryValue value;
  if (!ReadValue(subkey, name, platform::kRegistryText, value)) return std::string(defaultText);
  std::u16string units = platform::RegistryTextUnits(value);
  return platform::Utf16ToUtf8(std::u16string_view(units).substr(0, units.find(u'\0')));
}

void CReg::WriteValue(std::string_view subkey, std::string_view name,
                      const platform::RegistryValue& value) {
  platform::RegistryKey key = OpenSubkey(subkey, true);
  if (key.IsOpen()) platform::SetLastSystemError(key.SetValue(name, value));
}

void CReg::WriteDword(std::string_view subkey, std::string_view name, std::uint32_t value) {
  WriteValue(subkey, name, NumberValue(platform::kRegistryDword, value));
}

void CReg::WriteQword(std::string_view subkey, std::string_view name, std::uint64_t value) {
  WriteValue(subkey, name, NumberValue(platform::kRegistryQword, value));
}

void CReg::WriteText(std::string_view subkey, std::string_view name, std::string_view value) {
  WriteValue(subkey, name, platform::RegistryTextValue(value));
}

bool CReg::DeleteSubkey(std::string_view subkey) {
  if (!HasRoot() || m_keyPath.empty()) return false;
  platform::RegistryKey settings;
  platform::ErrorCode code =
      platform::OpenRegistryKey(m_keyPath, platform::RegistryAccess::setValue, settings);
  if (code == 0) code = settings.DeleteSubkey(subkey);
  platform::SetLastSystemError(code);
  return code == 0;
}

std::string CReg::KeyDescription(std::string_view subkey) const {
  return "HKEY_CURRENT_USER\\" + m_keyPath + std::string(subkey);
}
