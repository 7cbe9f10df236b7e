#include "base/message_format.h"

#include <cstddef>

#include "res/string_table.h"

std::string FormatMessageText(std::string_view pattern,
                              std::initializer_list<std::string_view> args) {
  std::string text;
  text.reserve(pattern.size());
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    char c = pattern[i];
    char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
    if (c == '%' && next >= '1' && next <= '9') {
      auto index = static_cast<std::size_t>(next - '1');
      if (index < args.size()) text += args.begin()[index];
      ++i;
    } else if (c == '%' && next == '%') {
      text += '%';
      ++i;
    } else {
      text += c;
    }
  }
  return text;
}

std::optional<std::string> LoadMessage(unsigned stringId,
                                       std::initializer_list<std::string_view> args) {
  std::optional<std::string> pattern = StringTableText(stringId);
  if (!pattern) return std::nullopt;
  return FormatMessageText(*pattern, args);
}

std::string LoadStringPart(unsigned stringId, int index) {
  std::optional<std::string> text = StringTableText(stringId);
  if (!text || index < 0) return {};
  std::string_view rest = *text;
  for (int part = 0; part < index; ++part) {
    std::size_t lineBreak = rest.find('\n');
    if (lineBreak == std::string_view::npos) return {};
    rest.remove_prefix(lineBreak + 1);
  }
  return std::string(rest.substr(0, rest.find('\n')));
}
