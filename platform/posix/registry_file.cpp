#include "platform/posix/registry_file.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <optional>

#include "platform/unicode.h"

namespace platform {

namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kRootName = "HKEY_CURRENT_USER\\";
// "Software", the company and the program: the key the file stands in for.
constexpr std::size_t kProgramKeyDepth = 3;

bool ConsumePrefix(std::string_view& text, std::string_view prefix) {
  if (!StartsIgnoringCase(text, prefix)) return false;
  text.remove_prefix(prefix.size());
  return true;
}

std::optional<unsigned> ParseHex(std::string_view digits) {
  unsigned value = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) {
    return std::nullopt;
  }
  return value;
}

// A quoted text with "\\" and "\"" escapes, from the opening quote on; the rest of the line
// after the closing quote is left in `text`.
std::optional<std::string> ParseQuoted(std::string_view& text) {
  if (text.empty() || text[0] != '"') return std::nullopt;
  std::string result;
  for (std::size_t i = 1; i < text.size(); ++i) {
    char c = text[i];
    if (c == '"') {
      text.remove_prefix(i + 1);
      return result;
    }
    if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"'))
      c = text[++i];
    result += c;
  }
  return std::nullopt;  // cut short
}

std::string Quote(std::string_view text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') quoted += '\\';
    quoted += c;
  }
  return quoted + '"';
}

// "00,ff,..." (possibly empty); nothing when a byte is not two hex digits.
std::optional<std::vector<std::uint8_t>> ParseHexBytes(std::string_view text) {
  std::vector<std::uint8_t> bytes;
  text = Trim(text);
  while (!text.empty()) {
    std::size_t comma = text.find(',');
    std::string_view item = Trim(text.substr(0, comma));
    std::optional<unsigned> byte = item.size() == 2 ? ParseHex(item) : std::nullopt;
    if (!byte) return std::nullopt;
    bytes.push_back(static_cast<std::uint8_t>(*byte));
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
    if (Trim(text).empty()) return std::nullopt;  // a trailing comma: cut short
  }
  return bytes;
}

// The data after "=": a text, dword:XXXXXXXX, hex:.. or hex(T):..
std::optional<RegistryValue> ParseData(std::string_view data) {
  RegistryValue value;
  if (!data.empty() && data[0] == '"') {
    std::optional<std::string> text = ParseQuoted(data);
    if (!text || !Trim(data).empty()) return std::nullopt;
    return RegistryTextValue(*text);
  }
  if (ConsumePrefix(data, "dword:")) {
    // Exactly eight digits, as written: a line cut short must not pass for a smaller number.
    std::optional<unsigned> number = data.size() == 8 ? ParseHex(data) : std::nullopt;
    if (!number) return std::nullopt;
    value.type = kRegistryDword;
    for (int shift = 0; shift < 32; shift += 8) {
      value.data.push_back(static_cast<std::uint8_t>(*number >> shift));
    }
    return value;
  }
  if (ConsumePrefix(data, "hex:")) {
    value.type = kRegistryBinary;
  } else if (ConsumePrefix(data, "hex(")) {
    std::size_t close = data.find("):");
    std::optional<unsigned> type = close != std::string_view::npos && close <= 8
                                       ? ParseHex(data.substr(0, close))
                                       : std::nullopt;
    if (!type) return std::nullopt;
    value.type = *type;
    data.remove_prefix(close + 2);
  } else {
    return std::nullopt;
  }
  std::optional<std::vector<std::uint8_t>> bytes = ParseHexBytes(data);
  if (!bytes) return std::nullopt;
  value.data = std::move(*bytes);
  return value;
}

// "name"=data or @=data.
bool ParseValueLine(std::string_view line, SettingsValue& value) {
  std::optional<std::string> name;
  if (!line.empty() && line[0] == '@') {
    name = std::string();
    line.remove_prefix(1);
  } else {
    name = ParseQuoted(line);
  }
  line = Trim(line);
  if (!name || line.empty() || line[0] != '=') return false;
  std::optional<RegistryValue> data = ParseData(Trim(line.substr(1)));
  if (!data) return false;
  value = {std::move(*name), std::move(*data)};
  return true;
}

// The key path of a section line, when it names a key of the current user.
std::optional<std::string> ParseSectionLine(std::string_view line) {
  if (line.size() < 2 || line.back() != ']') return std::nullopt;
  std::string_view inner = line.substr(1, line.size() - 2);
  if (!ConsumePrefix(inner, kRootName)) return std::nullopt;  // also "[-...]", a deletion
  std::string path = NormalizeKeyPath(inner);
  const std::vector<std::string_view> names = SplitKeyPath(path);
  // A key always has a name: "A\\B" or "A\B\\" names no key, and such a path written back
  // would read as another key.
  if (names.size() < kProgramKeyDepth || std::ranges::any_of(names, &std::string_view::empty)) {
    return std::nullopt;
  }
  return path;
}

// A text the file can show between quotes: UTF-16 with one closing null, no other null, no
// control character and no lone surrogate. Anything else is written as hex(1).
std::optional<std::string> PrintableText(const RegistryValue& value) {
  if (value.data.size() < 2 || value.data.size() % 2 != 0) return std::nullopt;
  std::u16string units = RegistryTextUnits(value);
  if (units.back() != 0) return std::nullopt;
  units.pop_back();
  for (std::size_t i = 0; i < units.size(); ++i) {
    char16_t unit = units[i];
    if (unit < 0x20 || unit == 0x7F) return std::nullopt;
    bool high = unit >= 0xD800 && unit < 0xDC00;
    bool low = unit >= 0xDC00 && unit < 0xE000;
    if (low) return std::nullopt;
    if (high) {
      if (i + 1 == units.size() || units[i + 1] < 0xDC00 || units[i + 1] >= 0xE000) {
        return std::nullopt;
      }
      ++i;
    }
  }
  return Utf16ToUtf8(units);
}

std::string FormatData(const RegistryValue& value) {
  if (value.type == kRegistryText) {
    if (std::optional<std::string> text = PrintableText(value)) return Quote(*text);
  }
  if (value.type == kRegistryDword && value.data.size() == 4) {
    unsigned number = value.data[0] | value.data[1] << 8 | value.data[2] << 16 |
                      static_cast<unsigned>(value.data[3]) << 24;
    char digits[16];
    std::snprintf(digits, sizeof digits, "dword:%08x", number);
    return digits;
  }
  char prefix[24];
  if (value.type == kRegistryBinary) {
    std::snprintf(prefix, sizeof prefix, "hex:");
  } else {
    std::snprintf(prefix, sizeof prefix, "hex(%x):", value.type);
  }
  std::string text = prefix;
  for (std::size_t i = 0; i < value.data.size(); ++i) {
    char byte[4];
    std::snprintf(byte, sizeof byte, i == 0 ? "%02x" : ",%02x", value.data[i]);
    text += byte;
  }
  return text;
}

bool IsBelow(std::string_view path, std::string_view parent) {
  return path.size() > parent.size() && path[parent.size()] == '\\' &&
         EqualIgnoringCase(path.substr(0, parent.size()), parent);
}

}  // namespace

std::vector<std::string_view> SplitKeyPath(std::string_view path) {
  std::vector<std::string_view> parts;
  for (;;) {
    std::size_t slash = path.find('\\');
    parts.push_back(path.substr(0, slash));
    if (slash == std::string_view::npos) return parts;
    path.remove_prefix(slash + 1);
  }
}

std::string NormalizeKeyPath(std::string_view path) {
  if (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  return std::string(path);
}

SettingsDocument ParseSettingsDocument(std::string_view text) {
  SettingsDocument document;
  SettingsKey* current = nullptr;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string line(Trim(text.substr(0, end)));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    // Long hex data may go on over lines that end with a backslash.
    while (!line.empty() && line.back() == '\\' && line.find("=hex") != std::string::npos &&
           !text.empty()) {
      std::size_t next = text.find('\n');
      line.pop_back();
      line += Trim(text.substr(0, next));
      text.remove_prefix(next == std::string_view::npos ? text.size() : next + 1);
    }
    if (line.empty() || line[0] == ';' || line == kHeader) continue;
    if (line[0] == '[') {
      std::optional<std::string> path = ParseSectionLine(line);
      current = nullptr;
      if (path) {
        AddKey(document, *path);
        current = FindKey(document, *path);
      }
      continue;
    }
    SettingsValue value;
    if (current != nullptr && ParseValueLine(line, value)) {
      SetKeyValue(*current, value.name, value.value);
    }
  }
  return document;
}

std::string FormatSettingsDocument(const SettingsDocument& document) {
  std::string text = std::string(kHeader) + "\n";
  for (const SettingsKey& key : document.keys) {
    text += "\n[" + std::string(kRootName) + key.path + "]\n";
    for (const SettingsValue& value : key.values) {
      text += (value.name.empty() ? std::string("@") : Quote(value.name)) + "=" +
              FormatData(value.value) + "\n";
    }
  }
  return text;
}

SettingsKey* FindKey(SettingsDocument& document, std::string_view path) {
  auto found =
      std::find_if(document.keys.begin(), document.keys.end(),
                   [&](const SettingsKey& key) { return EqualIgnoringCase(key.path, path); });
  return found == document.keys.end() ? nullptr : &*found;
}

const SettingsValue* FindValue(const SettingsKey& key, std::string_view name) {
  auto found = std::find_if(key.values.begin(), key.values.end(), [&](const SettingsValue& value) {
    return EqualIgnoringCase(value.name, name);
  });
  return found == key.values.end() ? nullptr : &*found;
}

void SetKeyValue(SettingsKey& key, std::string_view name, const RegistryValue& value) {
  for (SettingsValue& existing : key.values) {
    if (EqualIgnoringCase(existing.name, name)) {
      existing.value = value;
      return;
    }
  }
  key.values.push_back({std::string(name), value});
}

void AddKey(SettingsDocument& document, std::string_view path) {
  std::vector<std::string_view> parts = SplitKeyPath(path);
  std::string prefix;
  for (std::size_t depth = 0; depth < parts.size(); ++depth) {
    if (depth > 0) prefix += '\\';
    prefix += parts[depth];
    if (depth + 1 >= kProgramKeyDepth && FindKey(document, prefix) == nullptr) {
      document.keys.push_back({prefix, {}});
    }
  }
}

ErrorCode RemoveKey(SettingsDocument& document, std::string_view path) {
  SettingsKey* key = FindKey(document, path);
  if (key == nullptr) return ENOENT;
  bool hasSubkeys =
      std::any_of(document.keys.begin(), document.keys.end(),
                  [&](const SettingsKey& other) { return IsBelow(other.path, path); });
  if (hasSubkeys) return EACCES;
  document.keys.erase(document.keys.begin() + (key - document.keys.data()));
  return 0;
}

}  // namespace platform
