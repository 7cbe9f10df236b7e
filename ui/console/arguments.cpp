#include "ui/console/arguments.h"

#include <algorithm>
#include <array>

#include "platform/files.h"
#include "platform/plain_text.h"

namespace {

struct OptionRule {
  std::string_view name;
  ConsoleOption bit;
  std::optional<std::string> ConsoleArguments::*value;  // null for a switch
  // An option that may be given again collects its values here instead.
  std::vector<std::string> ConsoleArguments::*values = nullptr;

  bool TakesValue() const { return value != nullptr || values != nullptr; }
};

constexpr std::array<OptionRule, 18> kOptions = {{
    {"--dest", kOptionDestination, &ConsoleArguments::destination},
    {"--prefix", kOptionPrefix, &ConsoleArguments::prefix},
    {"--size", kOptionSize, &ConsoleArguments::size},
    {"--count", kOptionCount, &ConsoleArguments::count},
    {"--self-extracting", kOptionSelfExtracting, nullptr},
    {"--data-only", kOptionDataOnly, nullptr},
    {"--comments", kOptionComments, &ConsoleArguments::comments},
    {"--yes", kOptionAnswer, nullptr},
    {"--no", kOptionAnswer, nullptr},
    {"--name", kOptionName, &ConsoleArguments::name},
    {"--delete-when-done", kOptionDeleteWhenDone, nullptr},
    {"--quiet", static_cast<ConsoleOption>(kOptionQuiet), nullptr},
    {"--stub", kOptionStub, &ConsoleArguments::stub},
    {"--json", kOptionJson, nullptr},
    {"--report", kOptionReport, nullptr},
    {"--search", kOptionSearch, nullptr, &ConsoleArguments::searchFolders},
    {"--manifest", kOptionManifest, nullptr},
    {"--recovery", kOptionRecovery, &ConsoleArguments::recovery},
}};

struct ShortOption {
  char letter;
  std::string_view name;  // the long form
};

constexpr std::array<ShortOption, 7> kShortOptions = {{
    {'d', "--dest"},
    {'s', "--size"},
    {'n', "--count"},
    {'y', "--yes"},
    {'q', "--quiet"},
    {'h', "--help"},
    {'V', "--version"},
}};

constexpr std::array<std::string_view, 2> kUserDataOptions = {"/UserDataFolder:",
                                                              "/UserDataFilePath:"};

bool StartsWithIgnoringCase(std::string_view text, std::string_view start) {
  return platform::EqualIgnoringCase(text.substr(0, start.size()), start);
}

const OptionRule* FindOption(std::string_view name) {
  for (const OptionRule& option : kOptions) {
    if (option.name == name) return &option;
  }
  return nullptr;
}

void SetSwitch(ConsoleArguments& parsed, std::string_view name) {
  if (name == "--self-extracting") parsed.selfExtracting = true;
  if (name == "--data-only") parsed.dataOnly = true;
  if (name == "--delete-when-done") parsed.deleteWhenDone = true;
  if (name == "--yes") parsed.answer = PresetAnswer::yes;
  if (name == "--no") parsed.answer = PresetAnswer::no;
  if (name == "--quiet") parsed.quiet = true;
  if (name == "--json") parsed.json = true;
  if (name == "--report") parsed.report = true;
  if (name == "--manifest") parsed.manifest = true;
}

// Help and the version are answered whatever else the line holds.
bool TakeQuestion(std::string_view name, ConsoleArguments& parsed) {
  if (name == "--help") parsed.help = true;
  if (name == "--version") parsed.version = true;
  return name == "--help" || name == "--version";
}

const OptionRule& KnownOption(const std::string& name, ConsoleArguments& parsed) {
  const OptionRule* option = FindOption(name);
  if (option == nullptr) throw UsageError("unknown option " + name);
  if ((parsed.given & option->bit) != 0 && option->values == nullptr) {
    throw UsageError(option->bit == kOptionAnswer ? "only one of --yes and --no can be given"
                                                  : name + " is given twice");
  }
  parsed.given |= option->bit;
  return *option;
}

// The value of an option that takes one: `joined` when the argument carried it, else the next
// argument. Returns the index of the last argument used.
std::size_t TakeValue(const std::vector<std::string>& arguments, std::size_t index,
                      const OptionRule& option, std::optional<std::string> joined,
                      ConsoleArguments& parsed) {
  if (!joined) {
    if (index + 1 >= arguments.size())
      throw UsageError(std::string(option.name) + " needs a value");
    joined = arguments[++index];
  }
  if (option.values != nullptr) {
    (parsed.*(option.values)).push_back(std::move(*joined));
  } else {
    parsed.*(option.value) = std::move(joined);
  }
  return index;
}

// One long option at arguments[index], with its value when it takes one; returns the index of
// the last argument it used.
std::size_t TakeOption(const std::vector<std::string>& arguments, std::size_t index,
                       ConsoleArguments& parsed) {
  const std::string& argument = arguments[index];
  const std::size_t equals = argument.find('=');
  const std::string name = argument.substr(0, equals);
  if (equals == std::string::npos && TakeQuestion(name, parsed)) return index;
  const OptionRule& option = KnownOption(name, parsed);
  if (!option.TakesValue()) {
    if (equals != std::string::npos) throw UsageError(name + " takes no value");
    SetSwitch(parsed, name);
    return index;
  }
  std::optional<std::string> joined;
  if (equals != std::string::npos) joined = argument.substr(equals + 1);
  return TakeValue(arguments, index, option, std::move(joined), parsed);
}

// Short options run together ("-yq"), the last of them perhaps with its value ("-s700M").
std::size_t TakeShortOptions(const std::vector<std::string>& arguments, std::size_t index,
                             ConsoleArguments& parsed) {
  const std::string& argument = arguments[index];
  for (std::size_t at = 1; at < argument.size(); ++at) {
    const auto shortOption = std::ranges::find(kShortOptions, argument[at], &ShortOption::letter);
    if (shortOption == kShortOptions.end()) {
      throw UsageError("unknown option -" + argument.substr(at, 1));
    }
    const std::string name(shortOption->name);
    if (TakeQuestion(name, parsed)) continue;
    const OptionRule& option = KnownOption(name, parsed);
    if (!option.TakesValue()) {
      SetSwitch(parsed, name);
      continue;
    }
    std::optional<std::string> joined;
    if (at + 1 < argument.size()) joined = argument.substr(at + 1);
    return TakeValue(arguments, index, option, std::move(joined), parsed);
  }
  return index;
}

void CheckConflicts(const ConsoleArguments& parsed) {
  if ((parsed.given & kOptionSize) && (parsed.given & kOptionCount)) {
    throw UsageError("--size and --count cannot be given together");
  }
  if (parsed.selfExtracting && parsed.dataOnly) {
    throw UsageError("--self-extracting and --data-only cannot be given together");
  }
  if ((parsed.given & kOptionStub) && parsed.dataOnly) {
    throw UsageError("--stub and --data-only cannot be given together");
  }
}

bool IsOption(std::string_view argument) { return argument.size() > 1 && argument.front() == '-'; }

// "/?" asks for help on Windows, where it is the custom; elsewhere it is a path.
bool IsHelpRequestOfWindows(std::string_view argument) {
  return platform::kNativePathStyle == platform::PathStyle::windows && argument == "/?";
}

}  // namespace

bool IsUserDataOption(std::string_view argument) {
  return std::ranges::any_of(kUserDataOptions, [argument](std::string_view option) {
    return StartsWithIgnoringCase(argument, option);
  });
}

ConsoleArguments ParseConsoleArguments(const std::vector<std::string>& arguments) {
  ConsoleArguments parsed;
  std::vector<std::string> operands;
  bool optionsEnded = false;
  for (std::size_t index = 0; index < arguments.size(); ++index) {
    const std::string& argument = arguments[index];
    if (!optionsEnded && IsHelpRequestOfWindows(argument)) {
      parsed.help = true;
    } else if (optionsEnded || !IsOption(argument)) {
      if (optionsEnded || !IsUserDataOption(argument)) operands.push_back(argument);
    } else if (argument == "--") {
      optionsEnded = true;
    } else if (argument.starts_with("--")) {
      index = TakeOption(arguments, index, parsed);
    } else {
      index = TakeShortOptions(arguments, index, parsed);
    }
  }
  CheckConflicts(parsed);
  if (!operands.empty()) {
    parsed.command = operands.front();
    parsed.operands.assign(operands.begin() + 1, operands.end());
  }
  return parsed;
}

void CheckCommandShape(const ConsoleArguments& arguments, const CommandShape& shape) {
  const std::string command = shape.name.empty() ? "" : std::string(shape.name) + " ";
  const std::size_t count = arguments.operands.size();
  if (count < shape.minOperands) throw UsageError(command + "needs more arguments");
  if (count > shape.maxOperands) {
    throw UsageError(command + "does not take " + arguments.operands[shape.maxOperands]);
  }
  for (const OptionRule& option : kOptions) {
    const unsigned accepted = shape.options | kOptionQuiet;
    if ((arguments.given & option.bit) != 0 && (accepted & option.bit) == 0) {
      const std::string name = option.bit == kOptionAnswer
                                   ? (arguments.answer == PresetAnswer::yes ? "--yes" : "--no")
                                   : std::string(option.name);
      throw UsageError(command + "does not take " + name);
    }
  }
}
