#pragma once
// One JSON document, built value by value, for the --json output of the console commands:
// two-space indentation, numbers as numbers, and every text valid JSON whatever its bytes.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Each call adds to the document in order; a value inside an object follows its Key. The
// caller keeps the nesting right (a misuse raises std::logic_error).
class JsonWriter {
 public:
  JsonWriter& BeginObject();
  JsonWriter& EndObject();
  JsonWriter& BeginArray();
  JsonWriter& EndArray();
  JsonWriter& Key(std::string_view name);
  JsonWriter& String(std::string_view text);
  JsonWriter& Number(std::uint64_t value);
  JsonWriter& Bool(bool value);
  JsonWriter& Null();

  // The document, ended by a line feed; only once every object and array is ended.
  std::string Document() const;

 private:
  struct Level {
    bool inObject;
    std::size_t count = 0;
  };
  void BeforeValue();
  void Open(char bracket, bool inObject);
  void Close(char bracket, bool inObject);
  void NewLine();

  std::string text_;
  std::vector<Level> levels_;
  bool afterKey_ = false;
  bool done_ = false;
};

// `text` as a JSON string, quotes included. Control characters (C0, DEL, C1) and the line and
// paragraph separators become \u escapes; a byte that is not part of well-formed UTF-8 (a file
// name need not be) becomes U+FFFD, the replacement character; every other character is kept.
std::string JsonString(std::string_view text);
