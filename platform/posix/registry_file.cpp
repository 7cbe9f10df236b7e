#include "platform/posix/registry_file.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <optional>
#include <utility>

#include "platform/unicode.h"

namespace platform {

namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kRootName = "HKEY_CURRENT_USER\\";
// "Software", the company and the program: the key the file stands in for.
constexpr std::size_t kProgramKeyDepth = 3;
constexpr std::string_view kUtf16Mark = "\xFF\xFE";
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

struct SettingsValue {
  std::string name;
  RegistryValue value;
};

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

std::string FormatValueLine(std::string_view name, const RegistryValue& value) {
  return (name.empty() ? std::string("@") : Quote(name)) + "=" + FormatData(value);
}

bool IsBlank(std::string_view line) { return Trim(line).empty(); }

bool operator==(const RegistryValue& a, const RegistryValue& b) {
  return a.type == b.type && a.data == b.data;
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

const SettingsDocument::Key* SettingsDocument::Find(std::string_view path) const {
  std::vector<std::string_view> parts = SplitKeyPath(path);
  if (parts.size() < kProgramKeyDepth) return nullptr;
  std::size_t index = 0;
  for (std::string_view part : parts) {
    const auto& subkeys = keys_[index].subkeys;
    auto found = subkeys.find(LowerAscii(part));
    if (found == subkeys.end()) return nullptr;
    index = found->second;
  }
  return &keys_[index];
}

SettingsDocument::Key* SettingsDocument::Find(std::string_view path) {
  return const_cast<Key*>(std::as_const(*this).Find(path));
}

bool SettingsDocument::HasKey(std::string_view path) const { return Find(path) != nullptr; }

const RegistryValue* SettingsDocument::FindValue(std::string_view path,
                                                 std::string_view name) const {
  const Key* key = Find(path);
  if (key == nullptr) return nullptr;
  auto found = key->values.find(LowerAscii(name));
  return found == key->values.end() ? nullptr : &found->second.value;
}

std::string SettingsDocument::NewLine(std::string text) const {
  if (crlf_) text += '\r';
  return text;
}

// A section of its own at the end of the file, parted from what comes before by a blank line
// (which also ends a continued line that was never finished).
std::size_t SettingsDocument::AppendSection(std::string_view path) {
  if (sections_.size() == 1 && sections_[0].lines.empty()) {
    sections_[0].lines.push_back(NewLine(std::string(kHeader)));
  }
  for (std::size_t i = sections_.size(); i-- > 0;) {
    Section& section = sections_[i];
    if (section.removed || section.lines.empty()) continue;
    if (!IsBlank(section.lines.back())) section.lines.push_back(NewLine(""));
    break;
  }
  sections_.push_back({{NewLine("[" + std::string(kRootName) + std::string(path) + "]")}});
  changed_ = true;
  return sections_.size() - 1;
}

std::size_t SettingsDocument::AddKeyAndParents(std::string_view path, bool withSection) {
  std::vector<std::string_view> parts = SplitKeyPath(path);
  std::size_t index = 0;
  std::size_t prefixLength = 0;
  for (std::size_t depth = 0; depth < parts.size(); ++depth) {
    prefixLength += (depth > 0 ? 1 : 0) + parts[depth].size();
    std::string lowerName = LowerAscii(parts[depth]);
    auto found = keys_[index].subkeys.find(lowerName);
    if (found != keys_[index].subkeys.end()) {
      index = found->second;
      continue;
    }
    std::size_t added = keys_.size();
    keys_[index].subkeys.emplace(lowerName, added);
    keys_.push_back({index, std::move(lowerName), {}, {}, {}});
    if (withSection && depth + 1 >= kProgramKeyDepth) {
      keys_[added].sections.push_back(AppendSection(path.substr(0, prefixLength)));
    }
    index = added;
  }
  return index;
}

void SettingsDocument::AddKey(std::string_view path) { AddKeyAndParents(path, true); }

ErrorCode SettingsDocument::RemoveKey(std::string_view path) {
  Key* key = Find(path);
  if (key == nullptr) return ENOENT;
  if (!key->subkeys.empty()) return EACCES;
  for (std::size_t section : key->sections) sections_[section].removed = true;
  keys_[key->parent].subkeys.erase(key->lowerName);
  changed_ = true;
  return 0;
}

// After the last line of the key that is not blank: every line after that point is blank, so
// no value's place moves.
void SettingsDocument::InsertValueLine(Key& key, std::string_view path, Value value) {
  if (key.sections.empty()) key.sections.push_back(AppendSection(path));
  value.section = key.sections.back();
  std::vector<std::string>& lines = sections_[value.section].lines;
  std::size_t at = lines.size();
  while (at > 1 && IsBlank(lines[at - 1])) --at;
  // A continued line left unfinished would take the new line for its continuation.
  if (Trim(lines[at - 1]).ends_with('\\')) lines.insert(lines.begin() + at++, NewLine(""));
  lines.insert(lines.begin() + at, NewLine(FormatValueLine(value.name, value.value)));
  value.line = at;
  std::string lowerName = LowerAscii(value.name);
  key.values.insert_or_assign(std::move(lowerName), std::move(value));
}

ErrorCode SettingsDocument::SetValue(std::string_view path, std::string_view name,
                                     const RegistryValue& value) {
  Key* key = Find(path);
  if (key == nullptr) return ENOENT;
  auto found = key->values.find(LowerAscii(name));
  if (found == key->values.end()) {
    InsertValueLine(*key, path, {std::string(name), value, 0, 0});
  } else {
    Value& stored = found->second;
    if (stored.value == value) return 0;
    stored.value = value;
    sections_[stored.section].lines[stored.line] =
        NewLine(FormatValueLine(stored.name, stored.value));
  }
  changed_ = true;
  return 0;
}

void SettingsDocument::ReadLine(std::string raw, std::string_view meaning, std::size_t& key) {
  if (!meaning.empty() && meaning[0] == '[') {
    std::optional<std::string> path = ParseSectionLine(meaning);
    key = path ? AddKeyAndParents(*path, false) : std::string::npos;
    sections_.push_back({{std::move(raw)}});
    if (key != std::string::npos) keys_[key].sections.push_back(sections_.size() - 1);
    return;
  }
  std::vector<std::string>& lines = sections_.back().lines;
  lines.push_back(std::move(raw));
  if (key == std::string::npos || meaning.empty() || meaning[0] == ';') return;
  SettingsValue value;
  if (!ParseValueLine(meaning, value)) return;
  std::string lowerName = LowerAscii(value.name);
  keys_[key].values.insert_or_assign(
      std::move(lowerName),
      Value{std::move(value.name), std::move(value.value), sections_.size() - 1, lines.size() - 1});
}

SettingsDocument ParseSettingsDocument(std::string_view bytes) {
  SettingsDocument document;
  std::string decoded;
  if (bytes.starts_with(kUtf16Mark)) {
    document.encoding_ = SettingsEncoding::utf16le;
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (std::size_t i = kUtf16Mark.size(); i + 1 < bytes.size(); i += 2) {
      units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                     static_cast<unsigned char>(bytes[i + 1]) << 8);
    }
    decoded = Utf16ToUtf8(units);
    bytes = decoded;
  } else if (bytes.starts_with(kUtf8Mark)) {
    document.encoding_ = SettingsEncoding::utf8WithBom;
    bytes.remove_prefix(kUtf8Mark.size());
  }
  std::size_t firstEnd = bytes.find('\n');
  document.crlf_ =
      firstEnd != std::string_view::npos && firstEnd > 0 && bytes[firstEnd - 1] == '\r';

  auto takeLine = [&bytes] {
    std::size_t end = bytes.find('\n');
    std::string_view line = bytes.substr(0, end);
    bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
    return line;
  };
  std::size_t key = std::string::npos;
  while (!bytes.empty()) {
    std::string_view first = takeLine();
    std::string raw(first);
    std::string meaning(Trim(first));
    // Long hex data may go on over lines that end with a backslash; a blank line ends a value
    // that was never finished, so that what follows it (a key the program added) stays apart.
    if (meaning.ends_with('\\') && meaning.find("=hex") != std::string::npos) {
      while (meaning.ends_with('\\') && !bytes.empty() &&
             !Trim(bytes.substr(0, bytes.find('\n'))).empty()) {
        std::string_view next = takeLine();
        raw += '\n';
        raw += next;
        meaning.pop_back();
        meaning += Trim(next);
      }
    }
    if (meaning == kHeader) meaning.clear();
    document.ReadLine(std::move(raw), meaning, key);
  }
  return document;
}

std::string FormatSettingsDocument(const SettingsDocument& document) {
  std::string text;
  for (const SettingsDocument::Section& section : document.sections_) {
    if (section.removed) continue;
    for (const std::string& line : section.lines) {
      text += line;
      text += '\n';
    }
  }
  switch (document.encoding_) {
    case SettingsEncoding::utf8:
      return text;
    case SettingsEncoding::utf8WithBom:
      return std::string(kUtf8Mark) + text;
    case SettingsEncoding::utf16le:
      break;
  }
  std::string bytes(kUtf16Mark);
  for (char16_t unit : Utf8ToUtf16(text)) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

}  // namespace platform
