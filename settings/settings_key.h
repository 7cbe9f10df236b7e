#pragma once
// The settings key of the program under the current user, and its typed reads and writes.
// Every read or write opens the subkey, does one value and closes it again. Failures are
// silent: a read gives the value it was handed, a write is skipped; the system's code is left
// as the thread's last error.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/registry.h"

class SettingsKey {
 public:
  // Where the settings are kept: under the current user, or nowhere (the lite program,
  // which must leave no key and no file behind).
  enum class Root { none, currentUser };

  explicit SettingsKey(Root root = Root::currentUser) : root_(root) {}
  virtual ~SettingsKey() = default;

  // The key path "Software\<company>\<application>\", or the explicit path when one is
  // given; empty when the application has no name.
  void BuildKeyPath(std::string_view companyName, std::string_view applicationName,
                    std::string_view explicitPath = {});
  const std::string& KeyPath() const { return keyPath_; }
  const std::string& ApplicationName() const { return applicationName_; }
  bool HasRoot() const { return root_ != Root::none; }

  // The subkey below the key path; not open on failure. A key path and subkey of more than
  // 255 characters, or no subkey name, fail.
  platform::RegistryKey OpenSubkey(
      std::string_view subkey, bool create,
      platform::RegistryAccess access = platform::RegistryAccess::query) const;

  // The stored value when it exists with the expected type and size (REG_DWORD of 4 bytes,
  // REG_QWORD of 8, REG_SZ); otherwise `current`.
  std::uint32_t ReadDword(std::string_view subkey, std::string_view name,
                          std::uint32_t current) const;
  std::uint64_t ReadQword(std::string_view subkey, std::string_view name,
                          std::uint64_t current) const;
  // The characters up to the first null.
  std::string ReadText(std::string_view subkey, std::string_view name,
                       std::string_view defaultText = {}) const;

  // The subkey is created when missing; a text is written with its terminating null.
  void WriteDword(std::string_view subkey, std::string_view name, std::uint32_t value);
  void WriteQword(std::string_view subkey, std::string_view name, std::uint64_t value);
  void WriteText(std::string_view subkey, std::string_view name, std::string_view value);

  // Removes a subkey of the settings key; whether it was removed.
  bool DeleteSubkey(std::string_view subkey);

  // "HKEY_CURRENT_USER\<key path><subkey>", as people read it.
  std::string KeyDescription(std::string_view subkey) const;

 private:
  bool ReadValue(std::string_view subkey, std::string_view name, std::uint32_t type,
                 platform::RegistryValue& value) const;
  void WriteValue(std::string_view subkey, std::string_view name,
                  const platform::RegistryValue& value);

  Root root_;
  std::string keyPath_;
  std::string applicationName_;
};
