#include "platform/unicode.h"

#include <algorithm>

namespace platform {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

struct Decoded {
  char32_t codePoint;
  std::size_t length;
};

// A byte that is no part of a valid sequence travels as a lone low surrogate, U+DC80 to
// U+DCFF, in UTF-16 and back to the same byte: names that are not UTF-8 survive a package.
constexpr char32_t kEscapeBase = 0xDC00;

bool IsEscapedByte(char32_t codePoint) { return codePoint >= 0xDC80 && codePoint <= 0xDCFF; }

// One UTF-8 sequence at the start of `text`; a malformed, overlong or surrogate sequence
// gives the escape of its first byte only, so decoding resynchronises.
Decoded DecodeUtf8(std::string_view text) {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char lead = byte(0);
  if (lead < 0x80) return {lead, 1};
  const Decoded escaped = {kEscapeBase + lead, 1};
  std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
  if (length == 0 || lead > 0xF4 || text.size() < length) return escaped;
  char32_t codePoint = lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return escaped;
    codePoint = (codePoint << 6) | (byte(i) & 0x3F);
  }
  constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
  if (codePoint < kSmallest[length] || codePoint > 0x10FFFF || surrogate) return escaped;
  return {codePoint, length};
}

std::size_t Utf16Units(char32_t codePoint) { return codePoint >= 0x10000 ? 2 : 1; }

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  while (!text.empty()) {
    Decoded d = DecodeUtf8(text);
    text.remove_prefix(d.length);
    if (d.codePoint >= 0x10000) {
      char32_t offset = d.codePoint - 0x10000;
      out += static_cast<char16_t>(0xD800 + (offset >> 10));
      out += static_cast<char16_t>(0xDC00 + (offset & 0x3FF));
    } else {
      out += static_cast<char16_t>(d.codePoint);
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t unit = text[i];
    if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      AppendUtf8(out, 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (text[++i] - 0xDC00));
    } else if (IsEscapedByte(unit)) {
      out += static_cast<char>(unit - kEscapeBase);
    } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
      AppendUtf8(out, kReplacement);
    } else {
      AppendUtf8(out, unit);
    }
  }
  return out;
}

std::size_t Utf16Length(std::string_view text) {
  std::size_t units = 0;
  while (!text.empty()) {
    Decoded d = DecodeUtf8(text);
    text.remove_prefix(d.length);
    units += Utf16Units(d.codePoint);
  }
  return units;
}

std::string_view Utf16Prefix(std::string_view text, std::size_t units) {
  std::size_t bytes = 0;
  while (bytes < text.size()) {
    Decoded d = DecodeUtf8(text.substr(bytes));
    std::size_t need = Utf16Units(d.codePoint);
    if (need > units) break;
    units -= need;
    bytes += d.length;
  }
  return text.substr(0, bytes);
}

std::string DisplayText(std::string_view text) {
  if (std::ranges::all_of(text, [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    return std::string(text);
  }
  constexpr std::string_view kHexDigits = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    const Decoded d = DecodeUtf8(text);
    if (IsEscapedByte(d.codePoint)) {
      const auto byte = static_cast<unsigned char>(text[0]);
      out += "\\x";
      out += kHexDigits[byte >> 4];
      out += kHexDigits[byte & 0xF];
    } else {
      out += text.substr(0, d.length);
    }
    text.remove_prefix(d.length);
  }
  return out;
}

}  // namespace platform
