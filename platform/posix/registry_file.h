#pragma once
// The POSIX settings file's contents: registry keys with typed values, read from and written
// as text in the registry-export style:
//
//   [HKEY_CURRENT_USER\Software\Velmont Computing\Partwell\Split]
//   "Max. file size"=hex(b):00,00,00,40,00,00,00,00
//   "Files"=dword:00000003
//   "Folder"="/home/ann/Documents"
//
// The document keeps every line as it was read, in its order: comments, lines it cannot read
// and sections of other keys come back unchanged when it is written again. A changed value
// takes the place of its line, a new value goes to the end of its key, a new key to the end of
// the file. Names compare without regard to ASCII letter case, as the registry compares them;
// keys and values are found by name without a search through the file.

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/plain_text.h"
#include "platform/registry.h"

namespace platform {

// How the file's bytes hold its text; it is written back the way it was read. UTF-16LE with
// its byte-order mark is the form the registry editor exports and imports.
enum class SettingsEncoding { utf8, utf8WithBom, utf16le };

class SettingsDocument {
 public:
  bool HasKey(std::string_view path) const;
  // The value, or null when the key or the value is missing.
  const RegistryValue* FindValue(std::string_view path, std::string_view name) const;

  // Fails with the file-not-found code when the key is missing.
  ErrorCode SetValue(std::string_view path, std::string_view name, const RegistryValue& value);
  // Adds the key and its missing parents from the program key down.
  void AddKey(std::string_view path);
  // Fails as the registry does for a missing key or one that still has subkeys.
  ErrorCode RemoveKey(std::string_view path);

  // Whether a change was made since it was read (setting a value to what it holds is none).
  bool IsChanged() const { return changed_; }
  // After it was written.
  void MarkUnchanged() { changed_ = false; }
  SettingsEncoding Encoding() const { return encoding_; }

 private:
  struct Section {
    std::vector<std::string> lines;  // without line ends; a continued value is one line
    bool removed = false;
  };
  struct Value {
    std::string name;
    RegistryValue value;
    std::size_t section;
    std::size_t line;
  };
  // Keys form a tree below an unnamed root, so that a path is found one name at a time.
  struct Key {
    std::size_t parent = 0;
    std::string lowerName;
    std::unordered_map<std::string, std::size_t> subkeys;  // by lower-case name
    std::vector<std::size_t> sections;                     // in file order
    std::unordered_map<std::string, Value> values;         // by lower-case name
  };

  Key* Find(std::string_view path);
  const Key* Find(std::string_view path) const;
  // The key's index; `withSection` gives a key made here a section of its own.
  std::size_t AddKeyAndParents(std::string_view path, bool withSection);
  std::size_t AppendSection(std::string_view path);
  void InsertValueLine(Key& key, std::string_view path, Value value);
  std::string NewLine(std::string text) const;
  void ReadLine(std::string raw, std::string_view meaning, std::size_t& key);

  std::vector<Section> sections_{1};  // the first holds the lines before any key
  std::vector<Key> keys_{1};          // the first is the root
  SettingsEncoding encoding_ = SettingsEncoding::utf8;
  bool crlf_ = false;
  bool changed_ = false;

  friend SettingsDocument ParseSettingsDocument(std::string_view bytes);
  friend std::string FormatSettingsDocument(const SettingsDocument& document);
};

// The file's bytes in any of its encodings. Lines that cannot be read (damaged, cut short, of
// an unknown form) give no value but are kept; every readable value is kept. Linear in the
// size of the text.
SettingsDocument ParseSettingsDocument(std::string_view bytes);
// The file's bytes, in the encoding it was read in.
std::string FormatSettingsDocument(const SettingsDocument& document);

std::vector<std::string_view> SplitKeyPath(std::string_view path);
// The path without the trailing backslash that key paths carry.
std::string NormalizeKeyPath(std::string_view path);

}  // namespace platform
