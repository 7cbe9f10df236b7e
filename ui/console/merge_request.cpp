#include "ui/console/merge_request.h"

#include "base/exceptions.h"
#include "base/path_text.h"
#include "engine/merge/merger.h"
#include "engine/merge/package_recovery.h"
#include "engine/package_reading.h"
#include "platform/console.h"
#include "platform/files.h"
#include "ui/console/error_output.h"
#include "ui/console/operation_run.h"
#include "ui/console/path_operands.h"
#include "ui/console/terminal.h"
#include "ui/console/terminal_text.h"

namespace {

void WriteLine(const std::string& label, const std::string& value) {
  platform::WriteToStandardOutput(label + (value.empty() ? "" : " ") + value + "\n");
}

// A package may come from anyone: what it stores reaches the terminal escaped, so it cannot
// move the cursor or send the terminal commands; the comments keep their line breaks.
std::string ShownComments(const std::string& comments) {
  std::string shown;
  std::size_t start = 0;
  for (std::size_t end; (end = comments.find('\n', start)) != std::string::npos; start = end + 1) {
    shown += EscapeForTerminal(std::string_view(comments).substr(start, end - start)) + "\n";
  }
  return shown + EscapeForTerminal(std::string_view(comments).substr(start));
}

bool MasterLoads(const std::string& path) {
  try {
    MasterHeader header;
    bool selfExtracting = false;
    LoadMasterFile(path, header, selfExtracting);
    return true;
  } catch (const CException&) {
    return false;
  }
}

// A master that cannot be read may still be rebuilt: the error says so when recovery files
// beside it protect it. Another failure, such as a folder that is not there, is not the
// master's.
std::optional<MasterHeader> LoadMergeInfoOrHint(MergePageFields& fields,
                                                const MergePageDefaults& defaults) {
  try {
    return LoadMergeInfo(fields, defaults);
  } catch (const CUserException&) {
    throw;
  } catch (const CException& error) {
    const std::string& master = fields.sourcePath;
    if (MasterLoads(master) || !FindRecoverySet({FolderPart(master)}, {FileNamePart(master)})) {
      throw;
    }
    std::string text;
    error.GetErrorMessage(text, std::string::npos);
    throw CAppException(text + "\nThe recovery files beside it can rebuild it: repair " +
                        FileNamePart(master) + " first.");
  }
}

}  // namespace

std::string WithLineFeeds(std::string text) {
  for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
  return text;
}

MergePageFields LoadMergeRequest(const ConsoleContext& context, const std::string& masterPath,
                                 MergePlace place, MasterHeader* header) {
  const ConsoleArguments& arguments = context.arguments;
  RefuseFolderAsFile(masterPath);
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
      RefuseFileAsFolder(defaults.destinationFolder);
    }
    defaults.fileName = arguments.name.value_or("");
  }
  const std::optional<MasterHeader> read = LoadMergeInfoOrHint(fields, defaults);
  if (header != nullptr && read) *header = *read;
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
  WriteLine("Comments:", ShownComments(WithLineFeeds(fields.comments)));
  WriteLine("Merged file name:", EscapeForTerminal(fields.fileName));
  WriteLine("Merged file destination folder:", EscapeForTerminal(fields.destinationFolder));
}

ExitStatus RunMerge(ConsoleContext& context, const MergePageFields& fields, bool verifyOnly,
                    bool deleteWhenDone, MergeOutcome* outcome) {
  const std::string target = PrepareMergeRun(fields);
  MergeOptions options;
  options.promptOnOverwrite = context.prefs.mergePromptOnOverwrite;
  options.deleteWhenDone = deleteWhenDone && CanDeletePackageOf(fields.sourcePath);
  options.searchFolders = SearchFolders(context.arguments);
  options.verifyOnly = verifyOnly;
  ConsoleHost host(SystemTerminal(), context.programName, context.arguments.answer,
                   context.arguments.quiet);
  host.SetVerifyOnly(options.verifyOnly);
  MergeOutcome ending;
  const ExitStatus status = RunOperation(host, context.prefs.beep, [&] {
    Merger merge;
    try {
      merge.Merge(host, fields.sourcePath, target, options);
      ending.rebuilt = merge.Rebuilt();
    } catch (const std::exception& error) {
      ending.failure = ErrorReportText(error);
      throw;
    }
  });
  if (ending.failure.empty() && host.UnansweredPrompt()) ending.failure = *host.UnansweredPrompt();
  if (outcome != nullptr) *outcome = ending;
  if (status == ExitStatus::done && !verifyOnly) host.WriteNote("Merged into " + target + ".");
  return status;
}
