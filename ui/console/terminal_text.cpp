#include "ui/console/terminal_text.h"

#include <cstdint>
#include <cstdio>

namespace {

// The length of the well-formed UTF-8 sequence at the start of `text` and its code point;
// 0 when the first byte does not begin one.
std::size_t DecodeUtf8(std::string_view text, char32_t& codePoint) {
  const auto byte = [&text](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  const std::uint8_t lead = byte(0);
  if (lead < 0x80) {
    codePoint = lead;
    return 1;
  }
  // Sequence length, the payload bits of its lead byte, and the least code point it may hold.
  struct Form {
    std::uint8_t mask, lead, payload;
    std::size_t length;
    char32_t lowest;
  };
  static constexpr Form kForms[] = {
      {0xE0, 0xC0, 0x1F, 2, 0x80}, {0xF0, 0xE0, 0x0F, 3, 0x800}, {0xF8, 0xF0, 0x07, 4, 0x10000}};
  const Form* form = nullptr;
  for (const Form& candidate : kForms) {
    if ((lead & candidate.mask) == candidate.lead) form = &candidate;
  }
  if (form == nullptr) return 0;
  const std::size_t length = form->length;
  const char32_t lowest = form->lowest;
  codePoint = lead & form->payload;
  if (text.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    codePoint = codePoint << 6 | (byte(i) & 0x3F);
  }
  bool surrogate = codePoint >= 0xD800 && codePoint < 0xE000;
  if (codePoint < lowest || codePoint > 0x10FFFF || surrogate) return 0;
  return length;
}

std::string Escape(const char* format, unsigned value) {
  char escaped[8];
  std::snprintf(escaped, sizeof escaped, format, value);
  return escaped;
}

}  // namespace

std::string EscapeForTerminal(std::string_view text) {
  std::string shown;
  shown.reserve(text.size());
  while (!text.empty()) {
    char32_t codePoint = 0;
    std::size_t length = DecodeUtf8(text, codePoint);
    if (length == 0) {
      shown += Escape("\\x%02x", static_cast<std::uint8_t>(text[0]));
      length = 1;
    } else if (codePoint == '\n') {
      shown += "\\n";
    } else if (codePoint == '\t') {
      shown += "\\t";
    } else if (codePoint == '\r') {
      shown += "\\r";
    } else if (codePoint < 0x20 || codePoint == 0x7F) {
      shown += Escape("\\x%02x", static_cast<unsigned>(codePoint));
    } else if (codePoint >= 0x80 && codePoint < 0xA0) {
      shown += Escape("\\u%04x", static_cast<unsigned>(codePoint));
    } else {
      shown += text.substr(0, length);
    }
    text.remove_prefix(length);
  }
  return shown;
}
