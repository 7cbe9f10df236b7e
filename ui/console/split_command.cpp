#include <algorithm>
#include <string>

#include "app/text_format.h"
#include "engine/split/split.h"
#include "platform/console.h"
#include "platform/files.h"
#include "ui/console/console_commands.h"
#include "ui/console/console_terminal.h"
#include "ui/console/operation_run.h"
#include "ui/split_page_rules.h"

namespace {

constexpr unsigned kSplitOptions = kOptionDestination | kOptionPrefix | kOptionSize | kOptionCount |
                                   kOptionSelfExtracting | kOptionDataOnly | kOptionComments |
                                   kOptionAnswer;

// The Split page's fields and the split's options as the command line and the stored
// preferences give them.
struct SplitRequest {
  SplitPageFields fields;
  SplitOptions options;
};

// What the command line says goes into the preferences, as the page's fields go into them when
// it reads them; the rest stays as stored.
void ApplyCommandLine(const ConsoleArguments& arguments, CAppPrefs& prefs) {
  if (arguments.destination) {
    prefs.splitAutoFolder = false;
    prefs.splitFolder = platform::AbsolutePath(*arguments.destination);
  }
  if (arguments.prefix) {
    prefs.splitAutoFiles = false;
    prefs.splitFilePrefix = *arguments.prefix;
  }
  if (arguments.size) prefs.splitBySize = 1;
  if (arguments.count) prefs.splitBySize = 0;
  if (arguments.selfExtracting) prefs.selfExtracting = true;
  if (arguments.dataOnly) prefs.selfExtracting = false;
}

SplitRequest MakeRequest(const ConsoleArguments& arguments, const CAppPrefs& prefs) {
  SplitRequest request;
  SplitPageFields& fields = request.fields;
  fields.sourcePath = platform::AbsolutePath(arguments.operands.at(0));
  fields.useSourceFolder = prefs.splitAutoFolder;
  fields.useSourceFileName = prefs.splitAutoFiles;
  fields.destinationFolder = prefs.splitAutoFolder ? "" : prefs.splitFolder;
  fields.namePrefix = prefs.splitAutoFiles ? "" : prefs.splitFilePrefix;
  fields.bySize = prefs.splitBySize != 0;
  fields.sizeText = arguments.size.value_or(FormatByteSizeLong(prefs.splitMaxFileSize));
  fields.countText = arguments.count.value_or(
      FormatInteger(static_cast<std::uint64_t>(std::max(prefs.splitFileCount, 0))));
  fields.comments = arguments.comments.value_or("");
  SplitOptions& options = request.options;
  options.maxSplitFileSize = prefs.splitMaxFileSize;
  options.fileCount = static_cast<std::uint32_t>(std::max(prefs.splitFileCount, 0));
  options.bySize = fields.bySize;
  options.selfExtracting = prefs.selfExtracting;
  options.promptOnOverwrites = prefs.splitPromptOnOverwrite;
  options.comments = fields.comments;
  return request;
}

// What the page derives while its fields are edited; the sizes and the derived folder and
// prefix go back into the preferences, as the page keeps them. Returns the planned master.
MasterHeader LoadInfo(SplitRequest& request, CAppPrefs& prefs) {
  const std::optional<MasterHeader> header =
      LoadSplitInfo(request.fields, request.options, {prefs.splitFolder, prefs.splitFilePrefix});
  prefs.splitMaxFileSize = request.options.maxSplitFileSize;
  prefs.splitFileCount = static_cast<int>(request.options.fileCount);
  prefs.splitFolder = request.fields.destinationFolder;
  prefs.splitFilePrefix = request.fields.namePrefix;
  return header.value_or(MasterHeader{});
}

void WriteOutputLine(const std::string& label, const std::string& value) {
  platform::WriteToStandardOutput(label + " " + value + "\n");
}

ExitStatus RunPlan(ConsoleContext& context) {
  ApplyCommandLine(context.arguments, context.prefs);
  SplitRequest request = MakeRequest(context.arguments, context.prefs);
  const MasterHeader header = LoadInfo(request, context.prefs);
  const SplitPageFields& fields = request.fields;
  WriteOutputLine("Byte size:", fields.byteSizeText);
  WriteOutputLine("Number of split files:", FormatInteger(header.fileCount));
  WriteOutputLine("Split files max. byte size:",
                  FormatByteSizeLong(request.options.maxSplitFileSize));
  WriteOutputLine("Split files destination folder:", fields.destinationFolder);
  WriteOutputLine("Split files name prefix:", fields.namePrefix);
  return ExitStatus::done;
}

ExitStatus RunSplit(ConsoleContext& context) {
  CAppPrefs& prefs = context.prefs;
  ApplyCommandLine(context.arguments, prefs);
  SplitRequest request = MakeRequest(context.arguments, prefs);
  LoadInfo(request, prefs);
  const std::string destinationPrefix = PrepareSplitRun(request.fields, request.options);
  ConsoleHost host(SystemTerminal(), context.arguments.answer);
  const ExitStatus status = RunOperation(host, prefs.beep, [&] {
    CFSplit().Split(host, request.fields.sourcePath, destinationPrefix, request.options);
  });
  // A split that started stores its choices, however it ended, as the program does when it
  // closes; a command line that its checks refused changes nothing. Count mode's computed
  // size is the next split's size.
  prefs.splitMaxFileSize = request.options.maxSplitFileSize;
  prefs.SaveAtExit();
  return status;
}

}  // namespace

extern const ConsoleCommand kSplitCommand = {{"split", 1, 1, kSplitOptions}, RunSplit};
extern const ConsoleCommand kPlanCommand = {{"plan", 1, 1, kSplitOptions}, RunPlan};
