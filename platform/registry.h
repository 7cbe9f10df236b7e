#pragma once
// The current user's registry: HKEY_CURRENT_USER itself on Windows. On POSIX the keys below
// "Software\<company>\<program>" live in one text file in the registry-export style,
// <XDG configuration folder>/<company>/<program>.reg. It is read once and again only when it
// changes on disk; a change replaces it whole (a temporary copy, flushed and renamed) and
// keeps every line it does not touch, and a save that changes nothing leaves it alone.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/system_error.h"

namespace platform {

// Value types, numbered as Win32 numbers them.
inline constexpr std::uint32_t kRegistryText = 1;    // REG_SZ
inline constexpr std::uint32_t kRegistryBinary = 3;  // REG_BINARY
inline constexpr std::uint32_t kRegistryDword = 4;   // REG_DWORD
inline constexpr std::uint32_t kRegistryQword = 11;  // REG_QWORD

#ifdef _WIN32
inline constexpr ErrorCode kErrorInvalidParameter = 87;
#else
inline constexpr ErrorCode kErrorInvalidParameter = 22;  // EINVAL
#endif

// True where the registry is the POSIX settings file.
#ifdef _WIN32
inline constexpr bool kRegistryIsFile = false;
#else
inline constexpr bool kRegistryIsFile = true;
#endif

// A value as the registry keeps it: numbers little-endian, text in UTF-16LE with its null.
struct RegistryValue {
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
};

// A REG_SZ value holding the text (UTF-8 in the program) and its terminating null.
RegistryValue RegistryTextValue(std::string_view text);
// The UTF-16 code units of a value's data; an odd last byte is dropped.
std::u16string RegistryTextUnits(const RegistryValue& value);

// What an opened key may do (KEY_READ | KEY_WRITE; READ_CONTROL | KEY_QUERY_VALUE |
// KEY_ENUMERATE_SUB_KEYS; KEY_SET_VALUE).
enum class RegistryAccess { readWrite, query, setValue };

// An open key below HKEY_CURRENT_USER; closed when its owner goes.
class RegistryKey {
 public:
  RegistryKey();
  RegistryKey(RegistryKey&&) noexcept;
  RegistryKey& operator=(RegistryKey&&) noexcept;
  ~RegistryKey();

  bool IsOpen() const;
  void Close();

  // A missing value gives the file-not-found code.
  ErrorCode QueryValue(std::string_view name, RegistryValue& value) const;
  ErrorCode SetValue(std::string_view name, const RegistryValue& value);
  // Removes a subkey that has no subkeys of its own.
  ErrorCode DeleteSubkey(std::string_view name);

  struct State;

 private:
  std::unique_ptr<State> state_;
  friend ErrorCode OpenRegistryKey(std::string_view, RegistryAccess, RegistryKey&);
  friend ErrorCode CreateRegistryKey(std::string_view, RegistryKey&);
};

// Opens an existing key ("Software\Velmont Computing\Partwell\View").
ErrorCode OpenRegistryKey(std::string_view path, RegistryAccess access, RegistryKey& key);
// Opens a key for reading and writing, creating it and the keys above it when missing.
ErrorCode CreateRegistryKey(std::string_view path, RegistryKey& key);

// Gathers the changes made while it lives into one replacement of each settings file on
// POSIX, so that a save of many values is written, and survives a crash, as a whole.
// Reads inside the batch see its changes. Windows writes every value at once and ignores it.
class RegistryBatch {
 public:
  RegistryBatch();
  RegistryBatch(const RegistryBatch&) = delete;
  RegistryBatch& operator=(const RegistryBatch&) = delete;
  // Commits what Commit has not.
  ~RegistryBatch();
  // Writes the gathered changes; 0 or the first failure's code (the failed file keeps its
  // previous contents). A batch inside another leaves the writing to the outer one.
  ErrorCode Commit();

 private:
  bool outermost_;
};

// Where a key is kept, for people: "HKEY_CURRENT_USER\<path>" on Windows; on POSIX the
// settings file that holds it (empty when the path cannot live in one).
std::string RegistryStoreLocation(std::string_view keyPath);

// Why the settings store that holds a key is set aside: on POSIX a settings file that is too
// large, not a regular file, or unreadable (`code` then gives the system's reason). Such a file
// gives no value and is never written. The registry itself is never set aside.
enum class RegistryStoreProblem { none, tooLarge, notAFile, unreadable };
RegistryStoreProblem CheckRegistryStore(std::string_view keyPath, ErrorCode& code);
// The size above which a settings file is set aside, for messages.
inline constexpr std::uint64_t kRegistryStoreLimit = 1 << 20;

// Tests only: makes the next writes of a POSIX settings file fail at a step as a full disk or
// a crash would (the other steps run as usual). Windows has no such step and ignores it.
enum class SettingsFileFault { none, write, rename };
void InjectSettingsFileFault(SettingsFileFault fault);

}  // namespace platform
