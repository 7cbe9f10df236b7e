// The console programs' command line, each argument ended by a null as the system hands them
// over: options anywhere, "--dest=X" or "--dest X", "--" ending them, the commands' shapes.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ui/console/arguments.h"
#include "ui/console/commands.h"

namespace {

std::vector<std::string> SplitAtNulls(std::string_view input) {
  std::vector<std::string> arguments;
  while (!input.empty()) {
    const std::size_t null = input.find('\0');
    arguments.emplace_back(input.substr(0, null));
    input.remove_prefix(null == std::string_view::npos ? input.size() : null + 1);
  }
  return arguments;
}

// Each option that takes a value has one exactly when it was given.
void CheckGivenOptions(const ConsoleArguments& parsed) {
  const std::pair<unsigned, const std::optional<std::string>*> withValues[] = {
      {kOptionDestination, &parsed.destination},
      {kOptionPrefix, &parsed.prefix},
      {kOptionSize, &parsed.size},
      {kOptionCount, &parsed.count},
      {kOptionComments, &parsed.comments},
      {kOptionName, &parsed.name}};
  for (const auto& [bit, value] : withValues) {
    if (((parsed.given & bit) != 0) != value->has_value()) __builtin_trap();
  }
  if (((parsed.given & kOptionAnswer) != 0) != (parsed.answer != PresetAnswer::none)) {
    __builtin_trap();
  }
  if (parsed.selfExtracting && parsed.dataOnly) __builtin_trap();
  if ((parsed.given & kOptionSize) != 0 && (parsed.given & kOptionCount) != 0) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::string> arguments =
      SplitAtNulls(std::string_view(reinterpret_cast<const char*>(data), size));
  ConsoleArguments parsed;
  try {
    parsed = ParseConsoleArguments(arguments);
  } catch (const UsageError&) {
    return 0;
  }
  CheckGivenOptions(parsed);
  for (const ConsoleCommand* command :
       {&kSplitCommand, &kPlanCommand, &kMergeCommand, &kVerifyCommand, &kInfoCommand,
        &kRepairCommand, &kSettingsCommand, &kSizesCommand, &kSelfExtractingStart}) {
    try {
      CheckCommandShape(parsed, command->shape);
    } catch (const UsageError&) {
    }
  }
  return 0;
}
