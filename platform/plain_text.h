#pragma once
// Small text rules of the settings store and INI files: names compared without regard to
// ASCII letter case, and lines trimmed of blanks.

#include <algorithm>
#include <string>
#include <string_view>

namespace platform {

inline char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string LowerAscii(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) { return LowerAscii(c); });
  return lower;
}

inline bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

// The text without the given characters at either end.
inline std::string_view Trim(std::string_view text, std::string_view blanks = " \t\r\n\v\f") {
  std::size_t first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

inline bool StartsIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualIgnoringCase(text.substr(0, prefix.size()), prefix);
}

inline bool EndsIgnoringCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() &&
         EqualIgnoringCase(text.substr(text.size() - suffix.size()), suffix);
}

}  // namespace platform
