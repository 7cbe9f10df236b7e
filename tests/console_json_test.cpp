// The --json output of the console commands and the stub of another system, from the real
// programs of the build: the JSON parses, and its values are those of the text form.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/pe_image.h"
#include "tests/support/program_run.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/settings_sandbox.h"
#include "tests/support/split_package.h"

namespace fs = std::filesystem;

namespace {

// A JSON document flattened: every scalar under its path ("sizes[1].bytes"), strings decoded,
// other values as written ("5", "true", "null"). Anything that is not JSON raises.
class FlatJson {
 public:
  explicit FlatJson(std::string_view text) : text_(text) {
    Value("");
    Blank();
    if (at_ != text_.size()) Fail("text after the document");
  }
  const std::map<std::string, std::string>& Values() const { return values_; }
  std::string operator[](const std::string& path) const {
    const auto found = values_.find(path);
    return found == values_.end() ? "<missing>" : found->second;
  }

 private:
  [[noreturn]] void Fail(const std::string& why) const {
    throw std::runtime_error(why + " at " + std::to_string(at_));
  }
  void Blank() {
    while (at_ < text_.size() && std::string_view(" \t\r\n").find(text_[at_]) != std::string::npos)
      ++at_;
  }
  bool Take(char c) {
    Blank();
    if (at_ < text_.size() && text_[at_] == c) return ++at_, true;
    return false;
  }
  void Value(const std::string& path) {
    if (Take('{')) {
      for (bool first = true; !Take('}'); first = false) {
        if (!first && !Take(',')) Fail("no comma");
        Blank();
        const std::string key = String();
        if (!Take(':')) Fail("no colon");
        Value(path.empty() ? key : path + "." + key);
      }
    } else if (Take('[')) {
      for (int index = 0; !Take(']'); ++index) {
        if (index > 0 && !Take(',')) Fail("no comma");
        Value(path + "[" + std::to_string(index) + "]");
      }
    } else if (Blank(), at_ < text_.size() && text_[at_] == '"') {
      values_[path] = String();
    } else {
      static const std::regex scalar(R"(^(true|false|null|-?(0|[1-9][0-9]*)(\.[0-9]+)?))");
      std::match_results<std::string_view::const_iterator> match;
      if (!std::regex_search(text_.begin() + at_, text_.end(), match, scalar)) Fail("no value");
      values_[path] = match.str();
      at_ += match.length();
    }
  }
  std::string String() {
    if (!Take('"')) Fail("no string");
    std::string text;
    while (at_ < text_.size() && text_[at_] != '"') {
      const auto c = static_cast<unsigned char>(text_[at_++]);
      if (c < 0x20) Fail("raw control character");
      if (c != '\\') {
        text += static_cast<char>(c);
        continue;
      }
      const char escape = at_ < text_.size() ? text_[at_++] : '?';
      const std::string_view simple = "\"\\/bfnrt";
      const std::string_view meant = "\"\\/\b\f\n\r\t";
      if (simple.find(escape) != std::string::npos) {
        text += meant[simple.find(escape)];
      } else if (escape == 'u' && at_ + 4 <= text_.size()) {
        const unsigned long unit = std::stoul(std::string(text_.substr(at_, 4)), nullptr, 16);
        if (unit >= 0xD800 && unit < 0xE000) Fail("surrogate escape");
        at_ += 4;
        AppendUtf8(text, static_cast<char32_t>(unit));
      } else {
        Fail("bad escape");
      }
    }
    if (!Take('"')) Fail("unterminated string");
    return text;
  }
  static void AppendUtf8(std::string& text, char32_t c) {
    if (c < 0x80) {
      text += static_cast<char>(c);
    } else if (c < 0x800) {
      text += static_cast<char>(0xC0 | c >> 6);
      text += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      text += static_cast<char>(0xE0 | c >> 12);
      text += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      text += static_cast<char>(0x80 | (c & 0x3F));
    }
  }

  std::string_view text_;
  std::size_t at_ = 0;
  std::map<std::string, std::string> values_;
};

// "Label: value" lines of the text form.
std::map<std::string, std::string> TextFields(const std::string& out) {
  std::map<std::string, std::string> fields;
  static const std::regex line(R"(([A-Za-z. ]+): ?(.*))");
  std::smatch match;
  std::string::const_iterator from = out.begin();
  for (std::string::size_type end; (end = out.find('\n', from - out.begin())) != std::string::npos;
       from = out.begin() + static_cast<std::ptrdiff_t>(end) + 1) {
    const std::string text(from, out.begin() + static_cast<std::ptrdiff_t>(end));
    if (std::regex_match(text, match, line)) fields[match[1]] = match[2];
  }
  return fields;
}

// The number a size text starts with ("30,000 (29.30 KB)" is 30000).
std::string LeadingNumber(const std::string& text) {
  std::string digits;
  for (char c : text.substr(0, text.find(' '))) {
    if (c >= '0' && c <= '9') digits += c;
  }
  return digits;
}

FlatJson ParsedOrFail(const ProgramRun& run) {
  try {
    return FlatJson(run.out);
  } catch (const std::exception& error) {
    ADD_FAILURE() << error.what() << " in:\n" << run.out;
    return FlatJson("{}");
  }
}

std::string FullProgram() { return ProgramsAreWindowsPrograms() ? "partwell-cli" : "partwell"; }

class ConsoleJsonTest : public ::testing::Test {
 protected:
  ConsoleJsonTest() { fs::create_directories(io_); }

  ProgramRun Run(const std::string& program, const std::vector<std::string>& arguments) {
    return RunProgram(BuiltProgramPath(program), arguments, io_.string(),
                      {.environment = {"LC_ALL=en_US.UTF-8", "TZ=UTC"}});
  }
  ProgramRun Partwell(const std::vector<std::string>& arguments) {
    return Run(FullProgram(), arguments);
  }
  std::string Sample() {
    const Bytes bytes = SourceBytes(100'000);
    return scratch_.Write("sample.bin", bytes.data(), bytes.size());
  }
  std::string Master(const char* extension = "fsm") const {
    return (scratch_.Path() / ("sample.bin_00000." + std::string(extension))).string();
  }

  SettingsSandbox settings_;  // the user's settings stay out of it on POSIX
  ScratchFolder scratch_;
  fs::path io_ = scratch_.Path() / "io";
};

TEST_F(ConsoleJsonTest, InfoPlanAndSizesGiveTheValuesOfTheirText) {
  const std::string source = Sample();
  // A line break, a terminal command and, where arguments are bytes, quotes, a character
  // beyond ASCII and a byte that is not UTF-8. (The Windows test runner passes its command line
  // through the ANSI code page and a shell that takes quotes.)
  std::string comments = "first line\nsecond \x1b[31mred\x1b[0m";
  if (!ProgramsAreWindowsPrograms()) comments += " \"quoted\" \xC3\xA9 \xFF";
  ASSERT_EQ(Partwell({"split", source, "--size", "30000", "--comments", comments}).status, 0);

  const ProgramRun text = Partwell({"info", Master()});
  const ProgramRun json = Partwell({"info", Master(), "--json"});
  ASSERT_EQ(json.status, 0) << json.err;
  EXPECT_EQ(json.err, "");
  const FlatJson info = ParsedOrFail(json);
  const auto shown = TextFields(text.out);
  EXPECT_EQ(info["master"], Master());
  EXPECT_EQ(info["split_file_count"], shown.at("Number of split files"));
  EXPECT_EQ(info["max_split_file_size"], LeadingNumber(shown.at("Split files maximum byte size")));
  EXPECT_EQ(info["byte_size"], LeadingNumber(shown.at("Byte size")));
  EXPECT_EQ(info["merged_file_name"], shown.at("Merged file name"));
  EXPECT_EQ(info["merged_file_folder"], shown.at("Merged file destination folder"));
  EXPECT_EQ(info["stub_system"], "null");
  EXPECT_EQ(info["stub_runs_here"], "null");
  // The text shows the comments as they are; JSON escapes what it must and keeps the rest.
  std::string expected = comments;
  if (!ProgramsAreWindowsPrograms()) expected.replace(expected.size() - 1, 1, "\xEF\xBF\xBD");
  EXPECT_EQ(info["comments"], expected);
  EXPECT_NE(json.out.find(R"(\u001b[31mred)"), std::string::npos);
  // The text form shows no terminal command of a package as it is, and keeps its lines.
  EXPECT_NE(text.out.find("Comments: first line\nsecond \\x1b[31mred"), std::string::npos)
      << text.out;
  // The same moment: the text's local time is UTC here (Windows programs keep the system's),
  // on the locale's clock, which may count the hours to twelve.
  const std::regex iso(R"((\d{4})-\d\d-\d\dT(\d\d)(:\d\d:\d\d)Z)");
  std::smatch when;
  const std::string time = info["time_split"];
  ASSERT_TRUE(std::regex_match(time, when, iso)) << time;
  if (!ProgramsAreWindowsPrograms()) {
    const std::string& text = shown.at("Time split");
    const int hour = std::stoi(when[2].str());
    const int twelve = (hour + 11) % 12 + 1;
    const std::string twelveHour = (twelve < 10 ? "0" : "") + std::to_string(twelve);
    EXPECT_TRUE(text.find(when[2].str() + when[3].str()) != std::string::npos ||
                text.find(twelveHour + when[3].str()) != std::string::npos)
        << text << " against " << time;
    EXPECT_NE(text.find(when[1].str()), std::string::npos);
  }

  const std::vector<std::string> plan = {"plan", source, "--count", "3", "--prefix", "part"};
  const auto planText = TextFields(Partwell(plan).out);
  std::vector<std::string> planJsonArguments = plan;
  planJsonArguments.push_back("--json");
  const FlatJson planJson = ParsedOrFail(Partwell(planJsonArguments));
  EXPECT_EQ(planJson["source"], source);
  EXPECT_EQ(planJson["byte_size"], "100000");
  EXPECT_EQ(planJson["byte_size"], LeadingNumber(planText.at("Byte size")));
  EXPECT_EQ(planJson["split_file_count"], planText.at("Number of split files"));
  EXPECT_EQ(planJson["max_split_file_size"],
            LeadingNumber(planText.at("Split files max. byte size")));
  EXPECT_EQ(planJson["split_files_folder"], planText.at("Split files destination folder"));
  EXPECT_EQ(planJson["split_files_prefix"], "part");

  const ProgramRun sizesText = Partwell({"sizes"});
  const FlatJson sizes = ParsedOrFail(Partwell({"sizes", "--json"}));
  std::istringstream lines(sizesText.out);
  int index = 0;
  for (std::string line; std::getline(lines, line); ++index) {
    const std::string at = "sizes[" + std::to_string(index) + "]";
    EXPECT_EQ(sizes[at + ".text"], line);
    EXPECT_EQ(sizes[at + ".bytes"], LeadingNumber(line));
  }
  EXPECT_EQ(index, 27);
  EXPECT_EQ(sizes.Values().size(), 2u * index);
}

TEST_F(ConsoleJsonTest, VerifyGivesItsOutcomeAndKeepsProgressOnStandardError) {
  const std::string source = Sample();
  ASSERT_EQ(Partwell({"split", source, "--size", "30000"}).status, 0);
  for (const std::string& program : {FullProgram(), std::string("PartwellLite")}) {
    const ProgramRun good = Run(program, {"verify", Master(), "--json"});
    EXPECT_EQ(good.status, 0) << good.err;
    EXPECT_NE(good.err.find("The operation was completed."), std::string::npos);
    const FlatJson verify = ParsedOrFail(good);
    EXPECT_EQ(verify["result"], "ok");
    EXPECT_EQ(verify["error"], "null");
    EXPECT_EQ(verify["bytes_processed"], "100000");
    EXPECT_NE(good.err.find("Data processed: 97.66 KB"), std::string::npos);
  }
  fs::remove(scratch_.Path() / "sample.bin_00002.fss");
  const ProgramRun bad = Partwell({"verify", Master(), "--json"});
  EXPECT_EQ(bad.status, 1);
  const FlatJson verify = ParsedOrFail(bad);
  EXPECT_EQ(verify["result"], "failed");
  // The failure as standard error shows it, its last line.
  const std::string error = verify["error"];
  EXPECT_NE(error.find("sample.bin_00002.fss was not found"), std::string::npos) << error;
  EXPECT_TRUE(bad.err.ends_with(error + "\n")) << bad.err;
}

TEST_F(ConsoleJsonTest, ReportListsEachPieceAsTheTextFormDoes) {
  const std::string source = Sample();
  ASSERT_EQ(Partwell({"split", source, "--size", "30000"}).status, 0);
  fs::remove(scratch_.Path() / "sample.bin_00002.fss");
  const ProgramRun text = Partwell({"verify", Master(), "--report"});
  const ProgramRun json = Partwell({"verify", Master(), "--report", "--json"});
  EXPECT_EQ(json.status, 4) << json.err;
  const FlatJson report = ParsedOrFail(json);
  EXPECT_EQ(report["result"], "damaged");
  EXPECT_EQ(report["pieces[1].state"], "missing");
  EXPECT_EQ(report["pieces[0].state"], "ok");
  EXPECT_EQ(fs::path(report["fetch_again[0]"]).filename(), "sample.bin_00002.fss");
  EXPECT_NE(text.out.find(report["good_count"] + " of " + std::to_string(4)), std::string::npos)
      << text.out;
}

TEST_F(ConsoleJsonTest, StubOfAnotherSystemHeadsThePackageAndInfoNamesIt) {
  const std::string source = Sample();
  platform::VersionInfo lite;
  lite.fixed = platform::FixedVersion{0x00030001, 0, 0x00030001, 0};
  lite.productName = "PartwellLite";
  const std::vector<unsigned char> image = MakePeImage(lite);
  const std::string windowsStub = scratch_.Write("WindowsLite.exe", image.data(), image.size());

  ProgramRun run = Partwell({"split", source, "--size", "30000", "--stub", windowsStub});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(FileBytes(Master("exe")).size(), image.size() + 2128 + 1080);
  run = Partwell({"info", Master("exe")});
  EXPECT_NE(run.out.find("\nStub runs on: Windows x86-64\n"), std::string::npos) << run.out;
  const bool foreign = !ProgramsAreWindowsPrograms();
  EXPECT_EQ(run.err.find("runs on Windows x86-64, not on this system") != std::string::npos,
            foreign)
      << run.err;
  const FlatJson info = ParsedOrFail(Partwell({"info", Master("exe"), "--json"}));
  EXPECT_EQ(info["stub_system"], "Windows x86-64");
  EXPECT_EQ(info["stub_runs_here"], foreign ? "false" : "true");
  // The package merges here all the same.
  EXPECT_EQ(Partwell({"verify", Master("exe")}).status, 0);
  // An earlier master is a lite program too, but one the split would overwrite.
  const std::vector<unsigned char> before = FileBytes(Master("exe"));
  run = Partwell({"split", source, "--size", "30000", "--stub", Master("exe"), "--yes"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("cannot be one of the split files it heads"), std::string::npos)
      << run.err;
  EXPECT_EQ(FileBytes(Master("exe")), before);

  // Only the lite program heads a package, and never a data-only one.
  fs::remove(Master("exe"));
  const std::string full = BuiltProgramPath(FullProgram());
  run = Partwell({"split", source, "--size", "30000", "--stub", full, "--yes"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find(fs::path(full).filename().string() + " is not PartwellLite"),
            std::string::npos)
      << run.err;
  EXPECT_FALSE(fs::exists(Master("exe")));
  run = Partwell({"split", source, "--stub", windowsStub, "--data-only"});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("--stub and --data-only cannot be given together"), std::string::npos);
}

}  // namespace
