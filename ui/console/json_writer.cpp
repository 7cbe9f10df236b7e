#include "ui/console/json_writer.h"

#include <cstdio>
#include <stdexcept>

#include "platform/unicode.h"

namespace {

bool IsSurrogate(char16_t unit) { return unit >= 0xD800 && unit < 0xE000; }
bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit < 0xDC00; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit < 0xE000; }

// Characters a JSON string may not hold as they are, or that a terminal or a script language
// would take as commands or line ends.
bool NeedsEscape(char16_t unit) {
  return unit < 0x20 || unit == '"' || unit == '\\' || (unit >= 0x7F && unit < 0xA0) ||
         unit == 0x2028 || unit == 0x2029;
}

std::string Escape(char16_t unit) {
  switch (unit) {
    case '"':
      return "\\\"";
    case '\\':
      return "\\\\";
    case '\b':
      return "\\b";
    case '\f':
      return "\\f";
    case '\n':
      return "\\n";
    case '\r':
      return "\\r";
    case '\t':
      return "\\t";
    default:
      break;
  }
  char escaped[8];
  std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(unit));
  return escaped;
}

}  // namespace

std::string JsonString(std::string_view text) {
  // The program's UTF-16 form keeps each stray byte as a lone surrogate; a pair is a character.
  const std::u16string units = platform::Utf8ToUtf16(text);
  std::string quoted = "\"";
  std::u16string run;  // characters kept as they are, written as UTF-8 together
  const auto flush = [&] {
    quoted += platform::Utf16ToUtf8(run);
    run.clear();
  };
  for (std::size_t i = 0; i < units.size(); ++i) {
    const char16_t unit = units[i];
    if (IsHighSurrogate(unit) && i + 1 < units.size() && IsLowSurrogate(units[i + 1])) {
      run += unit;
      run += units[++i];
    } else if (IsSurrogate(unit)) {
      flush();
      quoted += "\\ufffd";
    } else if (NeedsEscape(unit)) {
      flush();
      quoted += Escape(unit);
    } else {
      run += unit;
    }
  }
  flush();
  return quoted + "\"";
}

void JsonWriter::NewLine() {
  text_ += '\n';
  text_.append(2 * levels_.size(), ' ');
}

void JsonWriter::BeforeValue() {
  if (done_) throw std::logic_error("JSON document already complete");
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (levels_.empty()) return;
  if (levels_.back().inObject) throw std::logic_error("JSON value without a key");
  if (levels_.back().count++ > 0) text_ += ',';
  NewLine();
}

void JsonWriter::Open(char bracket, bool inObject) {
  BeforeValue();
  text_ += bracket;
  levels_.push_back({inObject});
}

void JsonWriter::Close(char bracket, bool inObject) {
  if (levels_.empty() || levels_.back().inObject != inObject || afterKey_) {
    throw std::logic_error("JSON nesting broken");
  }
  const bool empty = levels_.back().count == 0;
  levels_.pop_back();
  if (!empty) NewLine();
  text_ += bracket;
  done_ = levels_.empty();
}

JsonWriter& JsonWriter::BeginObject() {
  Open('{', true);
  return *this;
}

JsonWriter& JsonWriter::EndObject() {
  Close('}', true);
  return *this;
}

JsonWriter& JsonWriter::BeginArray() {
  Open('[', false);
  return *this;
}

JsonWriter& JsonWriter::EndArray() {
  Close(']', false);
  return *this;
}

JsonWriter& JsonWriter::Key(std::string_view name) {
  if (levels_.empty() || !levels_.back().inObject || afterKey_) {
    throw std::logic_error("JSON key outside an object");
  }
  if (levels_.back().count++ > 0) text_ += ',';
  NewLine();
  text_ += JsonString(name) + ": ";
  afterKey_ = true;
  return *this;
}

JsonWriter& JsonWriter::String(std::string_view text) {
  BeforeValue();
  text_ += JsonString(text);
  done_ = levels_.empty();
  return *this;
}

JsonWriter& JsonWriter::Number(std::uint64_t value) {
  BeforeValue();
  text_ += std::to_string(value);
  done_ = levels_.empty();
  return *this;
}

JsonWriter& JsonWriter::Bool(bool value) {
  BeforeValue();
  text_ += value ? "true" : "false";
  done_ = levels_.empty();
  return *this;
}

JsonWriter& JsonWriter::Null() {
  BeforeValue();
  text_ += "null";
  done_ = levels_.empty();
  return *this;
}

std::string JsonWriter::Document() const {
  if (!done_) throw std::logic_error("JSON document not complete");
  return text_ + "\n";
}
