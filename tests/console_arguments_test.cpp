#include "ui/console/arguments.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ui/console/size_argument.h"

namespace {

using Args = std::vector<std::string>;

TEST(ConsoleArguments, TakesCommandOperandsAndOptionsInAnyOrder) {
  const ConsoleArguments parsed = ParseConsoleArguments(
      {"split", "--size", "700MB", "movie.avi", "--dest=/tmp/out", "/UserDataFolder:/home/x",
       "--self-extracting", "--yes", "--comments", "two words"});
  EXPECT_EQ(parsed.command, "split");
  EXPECT_EQ(parsed.operands, Args{"movie.avi"});
  EXPECT_EQ(parsed.size, "700MB");
  EXPECT_EQ(parsed.destination, "/tmp/out");
  EXPECT_EQ(parsed.comments, "two words");
  EXPECT_TRUE(parsed.selfExtracting);
  EXPECT_EQ(parsed.answer, PresetAnswer::yes);
  EXPECT_FALSE(parsed.count.has_value());
  EXPECT_EQ(parsed.given, kOptionSize | kOptionDestination | kOptionSelfExtracting | kOptionAnswer |
                              kOptionComments);
  EXPECT_FALSE(parsed.help);
}

TEST(ConsoleArguments, EndsOptionsAtDoubleDashAndKeepsValuesThatLookLikeOptions) {
  ConsoleArguments parsed = ParseConsoleArguments({"merge", "--name", "--odd", "--", "-x.fsm"});
  EXPECT_EQ(parsed.name, "--odd");
  EXPECT_EQ(parsed.operands, Args{"-x.fsm"});

  parsed = ParseConsoleArguments({"merge", "--", "/UserDataFolder:x", "-"});
  EXPECT_EQ(parsed.operands, (Args{"/UserDataFolder:x", "-"}));

  parsed = ParseConsoleArguments({"--no", "/userdatafilepath:a.ini", "info", "--help", "m"});
  EXPECT_EQ(parsed.command, "info");
  EXPECT_EQ(parsed.operands, Args{"m"});
  EXPECT_EQ(parsed.answer, PresetAnswer::no);
  EXPECT_TRUE(parsed.help);

  EXPECT_TRUE(ParseConsoleArguments({}).command.empty());
}

TEST(ConsoleArguments, RefusesWhatCannotBeUnderstood) {
  const struct {
    Args arguments;
    std::string message;
  } cases[] = {
      {{"split", "x", "--bogus"}, "unknown option --bogus"},
      {{"split", "x", "-s"}, "--size needs a value"},
      {{"split", "x", "--dest"}, "--dest needs a value"},
      {{"split", "x", "--yes=1"}, "--yes takes no value"},
      {{"split", "x", "--dest", "a", "--dest=b"}, "--dest is given twice"},
      {{"split", "x", "--size", "1MB", "--count", "3"},
       "--size and --count cannot be given together"},
      {{"merge", "x", "--yes", "--no"}, "only one of --yes and --no can be given"},
      {{"split", "x", "--data-only", "--self-extracting"},
       "--self-extracting and --data-only cannot be given together"},
  };
  for (const auto& c : cases) {
    try {
      ParseConsoleArguments(c.arguments);
      ADD_FAILURE() << c.message;
    } catch (const UsageError& error) {
      EXPECT_EQ(std::string(error.what()), c.message);
    }
  }
}

TEST(ConsoleArguments, ChecksOperandsAndOptionsAgainstTheCommand) {
  const CommandShape merge{"merge", 1, 1, kOptionDestination | kOptionName | kOptionAnswer};
  const CommandShape settings{"settings", 0, 2, 0};
  const struct {
    Args arguments;
    const CommandShape* shape;
    std::string message;  // empty: accepted
  } cases[] = {
      {{"merge", "m.fsm", "--dest", "d", "--no"}, &merge, ""},
      {{"merge"}, &merge, "merge needs more arguments"},
      {{"merge", "a", "b"}, &merge, "merge does not take b"},
      {{"merge", "a", "--size", "1MB"}, &merge, "merge does not take --size"},
      {{"settings", "a", "b"}, &settings, ""},
      {{"settings", "a", "b", "c"}, &settings, "settings does not take c"},
      {{"settings", "--yes"}, &settings, "settings does not take --yes"},
      {{"settings", "--no"}, &settings, "settings does not take --no"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments.back());
    const ConsoleArguments parsed = ParseConsoleArguments(c.arguments);
    if (c.message.empty()) {
      EXPECT_NO_THROW(CheckCommandShape(parsed, *c.shape));
      continue;
    }
    try {
      CheckCommandShape(parsed, *c.shape);
      ADD_FAILURE() << c.message;
    } catch (const UsageError& error) {
      EXPECT_EQ(std::string(error.what()), c.message);
    }
  }
}

// Pieces may lie in several places, so --search alone may be given again, in either form.
TEST(ConsoleArguments, SearchFoldersAreKeptInTheOrderGiven) {
  ConsoleArguments parsed = ParseConsoleArguments(
      {"verify", "m.fsm", "--search", "/a", "--report", "--search=/b", "--search", "--c"});
  EXPECT_EQ(parsed.searchFolders, (Args{"/a", "/b", "--c"}));
  EXPECT_TRUE(parsed.report);
  EXPECT_NO_THROW(CheckCommandShape(parsed, {"verify", 1, 1, kOptionReport | kOptionSearch}));
  parsed = ParseConsoleArguments({"merge", "m.fsm", "--report"});
  EXPECT_THROW(CheckCommandShape(parsed, {"merge", 1, 1, kOptionSearch}), UsageError);
  EXPECT_THROW(ParseConsoleArguments({"verify", "m", "--report", "--report"}), UsageError);
  EXPECT_THROW(ParseConsoleArguments({"verify", "m", "--search"}), UsageError);
}

TEST(ConsoleArguments, KnowsTheUserDataOptionsInAnyLetterCase) {
  EXPECT_TRUE(IsUserDataOption("/UserDataFolder:C:\\data"));
  EXPECT_TRUE(IsUserDataOption("/USERDATAFILEPATH:x.ini"));
  EXPECT_TRUE(IsUserDataOption("/userdatafolder:"));
  EXPECT_FALSE(IsUserDataOption("/UserDataFolder"));
  EXPECT_FALSE(IsUserDataOption("UserDataFolder:x"));
  EXPECT_FALSE(IsUserDataOption("/home/UserDataFolder:x"));
}

}  // namespace

namespace {

TEST(ConsoleArguments, ShortOptionsStandForTheCommonLongOnes) {
  ConsoleArguments parsed =
      ParseConsoleArguments({"split", "-d", "/out", "-s700M", "-yq", "film.avi", "-V"});
  EXPECT_EQ(parsed.destination, "/out");
  EXPECT_EQ(parsed.size, "700M");
  EXPECT_EQ(parsed.answer, PresetAnswer::yes);
  EXPECT_TRUE(parsed.quiet);
  EXPECT_TRUE(parsed.version);
  EXPECT_EQ(parsed.operands, Args{"film.avi"});

  parsed = ParseConsoleArguments({"split", "x", "-qn", "5", "--", "-d"});
  EXPECT_EQ(parsed.count, "5");
  EXPECT_EQ(parsed.operands, (Args{"x", "-d"}));
  EXPECT_THROW(ParseConsoleArguments({"split", "x", "-d", "a", "--dest", "b"}), UsageError);
  EXPECT_THROW(ParseConsoleArguments({"split", "x", "-z"}), UsageError);
  EXPECT_THROW(ParseConsoleArguments({"split", "x", "-n"}), UsageError);
  // Every command takes --quiet; no command takes -s but split and plan.
  EXPECT_NO_THROW(CheckCommandShape(ParseConsoleArguments({"info", "m", "-q"}), {"info", 1, 1, 0}));
  EXPECT_THROW(
      CheckCommandShape(ParseConsoleArguments({"info", "m", "-s", "1"}), {"info", 1, 1, 0}),
      UsageError);
}

TEST(SizeArgument, ReadsSizesAsAUserMeansThem) {
  const struct {
    std::string text;
    std::optional<std::uint64_t> bytes;
  } cases[] = {
      {"700M", 700ull << 20},
      {"700MB", 700ull << 20},
      {"700MiB", 700ull << 20},
      {"700 MB", 700ull << 20},
      {"700mb", 700ull << 20},
      {"1.5G", 3ull << 29},
      {"1.1G", 1181116006},  // the fraction of a byte is dropped
      {"4k", 4096},
      {"30000", 30000},
      {"30000B", 30000},
      {"16E", std::nullopt},  // 2^64
      {"15E", 15ull << 60},
      {"99999999999999999999", std::nullopt},
      {"", std::nullopt},
      {"MB", std::nullopt},
      {"1.", std::nullopt},
      {".5G", std::nullopt},
      {"-1M", std::nullopt},
      {"700 XB", std::nullopt},
      {"700MBB", std::nullopt},
      {"1,5G", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseSizeArgument(c.text), c.bytes) << c.text;
  }
}

}  // namespace
