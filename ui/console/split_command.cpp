#include <algorithm>
#include <string>

#include "base/path_text.h"
#include "base/text_format.h"
#include "engine/package_names.h"
#include "engine/recovery/recovery_layout.h"
#include "engine/split/split_recovery.h"
#include "engine/split/splitter.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/unicode.h"
#include "ui/console/commands.h"
#include "ui/console/json_writer.h"
#include "ui/console/operation_run.h"
#include "ui/console/path_operands.h"
#include "ui/console/size_argument.h"
#include "ui/console/terminal.h"
#include "ui/split_page_rules.h"

namespace {

// The comments box of the Split page takes no more.
constexpr std::size_t kMaxCommentsLength = 511;

constexpr unsigned kSplitOptions = kOptionDestination | kOptionPrefix | kOptionSize | kOptionCount |
                                   kOptionSelfExtracting | kOptionDataOnly | kOptionComments |
                                   kOptionAnswer | kOptionStub | kOptionManifest | kOptionRecovery;

// The Split page's fields and the split's options as the command line and the stored
// preferences give them.
struct SplitRequest {
  SplitPageFields fields;
  SplitOptions options;
  RecoveryAmount recovery;  // the command line's, which the page's fields cannot all hold
};

// The size as the command line gives it, in bytes, for the size box to read.
std::string SizeText(const std::string& typed) {
  const std::optional<std::uint64_t> bytes = ParseSizeArgument(typed);
  if (!bytes) {
    throw UsageError("invalid size '" + typed + "' (for example 700M, 700MB, 700MiB or 1.5G)");
  }
  return std::to_string(*bytes);
}

// "10%" of the package's files, or "3" volumes.
RecoveryAmount RecoveryArgument(const std::string& typed) {
  const bool percent = !typed.empty() && typed.back() == '%';
  const std::string digits = percent ? typed.substr(0, typed.size() - 1) : typed;
  const bool valid = !digits.empty() && digits.size() <= 5 &&
                     std::ranges::all_of(digits, [](char c) { return c >= '0' && c <= '9'; });
  const std::uint32_t value = valid ? static_cast<std::uint32_t>(std::stoul(digits)) : 0;
  if (!valid || value == 0 || (percent && value > 100) || value > kMaxFileCount) {
    throw UsageError("invalid recovery amount '" + typed +
                     "' (a share of the split files such as 10%, or a number of volumes)");
  }
  return {value, percent};
}

// How to split comes from the command line, else from the stored settings; where the package
// goes comes from the command line, else from the source (its folder and name), never from a
// remembered place. Nothing the command line says is stored.
SplitRequest MakeRequest(const ConsoleArguments& arguments, const AppPreferences& prefs) {
  if (arguments.comments && platform::Utf16Length(*arguments.comments) > kMaxCommentsLength) {
    throw UsageError("--comments takes at most " + std::to_string(kMaxCommentsLength) +
                     " characters");
  }
  SplitRequest request;
  SplitPageFields& fields = request.fields;
  fields.sourcePath = platform::AbsolutePath(arguments.operands.at(0));
  fields.useSourceFolder = !arguments.destination;
  fields.useSourceFileName = !arguments.prefix;
  fields.destinationFolder =
      arguments.destination ? platform::AbsolutePath(*arguments.destination) : "";
  fields.namePrefix = arguments.prefix.value_or("");
  RefuseFolderAsFile(fields.sourcePath);
  if (arguments.destination) RefuseFileAsFolder(fields.destinationFolder);
  fields.bySize = arguments.size ? true : arguments.count ? false : prefs.splitBySize != 0;
  fields.sizeText =
      arguments.size ? SizeText(*arguments.size) : FormatByteSizeLong(prefs.splitMaxFileSize);
  fields.countText = arguments.count.value_or(
      FormatInteger(static_cast<std::uint64_t>(std::max(prefs.splitFileCount, 0))));
  fields.comments = arguments.comments.value_or("");
  SplitOptions& options = request.options;
  options.maxSplitFileSize = prefs.splitMaxFileSize;
  options.fileCount = static_cast<std::uint32_t>(std::max(prefs.splitFileCount, 0));
  options.bySize = fields.bySize;
  // A stub given makes the package self-extracting: it is there for nothing else.
  options.selfExtracting = arguments.selfExtracting || arguments.stub ? true
                           : arguments.dataOnly                       ? false
                                                                      : prefs.selfExtracting;
  if (arguments.stub) options.stubPath = platform::AbsolutePath(*arguments.stub);
  options.promptOnOverwrites = prefs.splitPromptOnOverwrite;
  options.writeManifest = arguments.manifest;
  if (arguments.recovery) request.recovery = RecoveryArgument(*arguments.recovery);
  options.comments = fields.comments;
  return request;
}

// What the page derives while its fields are edited. Returns the planned master.
MasterHeader LoadInfo(SplitRequest& request) {
  const SplitPageDefaults given{request.fields.destinationFolder, request.fields.namePrefix};
  const MasterHeader header =
      LoadSplitInfo(request.fields, request.options, given).value_or(MasterHeader{});
  request.options.recovery = request.recovery;
  return header;
}

void WriteOutputLine(const std::string& label, const std::string& value) {
  platform::WriteToStandardOutput(label + " " + value + "\n");
}

// The master's size as planned: a self-extracting one's stub is not looked at before the split.
RecoveryLayout PlannedRecovery(const SplitRequest& request, const MasterHeader& header) {
  return PlanPackageRecovery(header, kMasterHeaderSize, request.options.recovery);
}

void WritePlanJson(const SplitRequest& request, const MasterHeader& header) {
  JsonWriter json;
  json.BeginObject();
  json.Key("source").String(request.fields.sourcePath);
  json.Key("byte_size").Number(header.originalSize);
  json.Key("split_file_count").Number(header.fileCount);
  json.Key("max_split_file_size").Number(request.options.maxSplitFileSize);
  json.Key("split_files_folder").String(request.fields.destinationFolder);
  json.Key("split_files_prefix").String(request.fields.namePrefix);
  const RecoveryLayout recovery = PlannedRecovery(request, header);
  json.Key("recovery_volume_count").Number(recovery.volumeCount);
  json.Key("recovery_volume_size")
      .Number(PlannedVolumeSize(header, request.fields.namePrefix, recovery));
  platform::WriteToStandardOutput(json.EndObject().Document());
}

ExitStatus RunPlan(ConsoleContext& context) {
  SplitRequest request = MakeRequest(context.arguments, context.prefs);
  const MasterHeader header = LoadInfo(request);
  if (context.arguments.json) {
    WritePlanJson(request, header);
    return ExitStatus::done;
  }
  const SplitPageFields& fields = request.fields;
  WriteOutputLine("Byte size:", fields.byteSizeText);
  WriteOutputLine("Number of split files:", FormatInteger(header.fileCount));
  WriteOutputLine("Split files max. byte size:",
                  FormatByteSizeLong(request.options.maxSplitFileSize));
  WriteOutputLine("Split files destination folder:", fields.destinationFolder);
  WriteOutputLine("Split files name prefix:", fields.namePrefix);
  const RecoveryLayout recovery = PlannedRecovery(request, header);
  if (recovery.volumeCount > 0) {
    WriteOutputLine("Recovery volumes:", FormatInteger(recovery.volumeCount) + " of " +
                                             FormatByteSizeLong(PlannedVolumeSize(
                                                 header, request.fields.namePrefix, recovery)));
  }
  return ExitStatus::done;
}

// The master and how many data split files follow it.
std::string WrittenPackage(const std::string& destinationPrefix, const SplitOptions& options,
                           std::uint32_t fileCount) {
  const std::string master =
      destinationPrefix + (options.selfExtracting ? "_00000.exe" : "_00000.fsm");
  const std::uint32_t pieces = fileCount > 0 ? fileCount - 1 : 0;
  return "Wrote " + master + " and " + FormatInteger(pieces) +
         (pieces == 1 ? " data split file." : " data split files.");
}

std::string WrittenRecovery(const std::string& destinationPrefix, const RecoveryLayout& layout) {
  return "Wrote " + RecoveryIndexPath(destinationPrefix) + " and " +
         FormatInteger(layout.volumeCount) +
         (layout.volumeCount == 1 ? " recovery volume." : " recovery volumes.");
}

ExitStatus RunSplit(ConsoleContext& context) {
  SplitRequest request = MakeRequest(context.arguments, context.prefs);
  const MasterHeader header = LoadInfo(request);
  const std::string destinationPrefix = PrepareSplitRun(request.fields, request.options);
  request.options.recovery = request.recovery;
  ConsoleHost host(SystemTerminal(), context.programName, context.arguments.answer,
                   context.arguments.quiet);
  const ExitStatus status = RunOperation(host, context.prefs.beep, [&] {
    Splitter().Split(host, request.fields.sourcePath, destinationPrefix, request.options);
  });
  if (status == ExitStatus::done) {
    host.WriteNote(WrittenPackage(destinationPrefix, request.options, header.fileCount));
    const RecoveryLayout recovery = PlannedRecovery(request, header);
    if (recovery.volumeCount > 0) host.WriteNote(WrittenRecovery(destinationPrefix, recovery));
  }
  return status;
}

}  // namespace

extern const ConsoleCommand kSplitCommand = {{"split", 1, 1, kSplitOptions}, RunSplit};
extern const ConsoleCommand kPlanCommand = {{"plan", 1, 1, kSplitOptions | kOptionJson}, RunPlan};
