#include "ui/console/merge_request.h"

#include "engine/merge/merge.h"
#include "engine/operation_state.h"
#include "platform/console.h"
#include "platform/files.h"
#include "ui/console/console_terminal.h"
#include "ui/console/operation_run.h"

namespace {

void WriteLine(const std::string& label, const std::string& value) {
  platform::WriteToStandardOutput(label + (value.empty() ? "" : " ") + value + "\n");
}

// A multi-line edit keeps its lines apart with a carriage return and a line feed.
std::string WithLineFeeds(std::string text) {
  for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
  return text;
}

}  // namespace

MergePageFields LoadMergeRequest(const ConsoleContext& context, const std::string& masterPath,
                                 MergePlace place) {
  const ConsoleArguments& arguments = context.arguments;
  MergePageFields fields;
  fields.sourcePath = masterPath;
  MergePageDefaults defaults;
  // Where the merged file goes comes from the command line, else from the package (the
  // master's folder, the original name), never from a remembered place.
  if (place == MergePlace::chosen) {
    fields.useSourceFolder = !arguments.destination;
    fields.useOriginalName = !arguments.name;
    if (arguments.destination) {
      defaults.destinationFolder = platform::AbsolutePath(*arguments.destination);
    }
    defaults.fileName = arguments.name.value_or("");
  }
  LoadMergeInfo(fields, defaults);
  return fields;
}

std::vector<std::string> SearchFolders(const ConsoleArguments& arguments) {
  std::vector<std::string> folders;
  for (const std::string& folder : arguments.searchFolders) {
    folders.push_back(platform::AbsolutePath(folder));
  }
  return folders;
}

void WritePackageInfo(const MergePageFields& fields) {
  WriteLine("Number of split files:", fields.fileCountText);
  WriteLine("Split files maximum byte size:", fields.maxFileSizeText);
  WriteLine("Time split:", fields.timeSplitText);
  WriteLine("Byte size:", fields.byteSizeText);
  WriteLine("Comments:", WithLineFeeds(fields.comments));
  WriteLine("Merged file name:", fields.fileName);
  WriteLine("Merged file destination folder:", fields.destinationFolder);
}

ExitStatus RunMerge(ConsoleContext& context, const MergePageFields& fields, bool verifyOnly,
                    bool deleteWhenDone) {
  const std::string target = PrepareMergeRun(fields);
  MergeOptions options;
  options.promptOnOverwrite = context.prefs.mergePromptOnOverwrite;
  options.deleteWhenDone = deleteWhenDone && CanDeletePackageOf(fields.sourcePath);
  options.searchFolders = SearchFolders(context.arguments);
  ConsoleHost host(SystemTerminal(), context.arguments.answer, context.arguments.quiet);
  VerifyOnlyScope verify(verifyOnly);
  const ExitStatus status = RunOperation(
      host, context.prefs.beep, [&] { CFMerge().Merge(host, fields.sourcePath, target, options); });
  if (status == ExitStatus::done && !verifyOnly) host.WriteNote("Merged into " + target + ".");
  return status;
}
