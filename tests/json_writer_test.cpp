#include "ui/console/json_writer.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

TEST(JsonWriter, TextsAreValidJsonWhateverTheirBytes) {
  const struct {
    std::string text, json;
  } cases[] = {
      {"plain", R"("plain")"},
      {"say \"hi\" \\ /", R"("say \"hi\" \\ /")"},
      {"a\nb\tc\rd\be\ff", R"("a\nb\tc\rd\be\ff")"},
      {"\x01\x1b[31m\x7f", R"("\u0001\u001b[31m\u007f")"},
      {"\xC2\x9B csi", R"("\u009b csi")"},  // C1 control
      {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80",
       "\"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80\""},
      {"\xE2\x80\xA8", R"("\u2028")"},  // line separator
      {"bad \xFF byte", R"("bad \ufffd byte")"},
      {"cut \xE2\x82", R"("cut \ufffd\ufffd")"},
      {"surrogate \xED\xA0\x80", R"("surrogate \ufffd\ufffd\ufffd")"},
      {std::string("nul\0in", 6), R"("nul\u0000in")"},
  };
  for (const auto& c : cases) EXPECT_EQ(JsonString(c.text), c.json) << c.text;
}

TEST(JsonWriter, NestsWithIndentationAndRefusesMisuse) {
  JsonWriter json;
  json.BeginObject().Key("n").Number(18446744073709551615u).Key("list").BeginArray();
  json.BeginObject().Key("ok").Bool(true).EndObject().Null().BeginArray().EndArray();
  json.EndArray().Key("empty").BeginObject().EndObject().EndObject();
  EXPECT_EQ(json.Document(),
            "{\n"
            "  \"n\": 18446744073709551615,\n"
            "  \"list\": [\n"
            "    {\n"
            "      \"ok\": true\n"
            "    },\n"
            "    null,\n"
            "    []\n"
            "  ],\n"
            "  \"empty\": {}\n"
            "}\n");
  EXPECT_THROW(json.String("after the end"), std::logic_error);
  JsonWriter open;
  open.BeginObject();
  EXPECT_THROW(open.Document(), std::logic_error);
  EXPECT_THROW(open.Number(1), std::logic_error);  // a value without its key
  EXPECT_THROW(open.EndArray(), std::logic_error);
}

}  // namespace
