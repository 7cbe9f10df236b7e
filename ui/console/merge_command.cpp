#include <algorithm>

#include "base/text_format.h"
#include "engine/operation_state.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/files.h"
#include "ui/console/commands.h"
#include "ui/console/json_writer.h"
#include "ui/console/merge_request.h"
#include "ui/console/report_command.h"
#include "ui/console/stub_notice.h"

namespace {

std::string MasterPath(const ConsoleContext& context) {
  return platform::AbsolutePath(context.arguments.operands.at(0));
}

ExitStatus RunMergeCommand(ConsoleContext& context) {
  const MergePageFields fields = LoadMergeRequest(context, MasterPath(context), MergePlace::chosen);
  return RunMerge(context, fields, false, context.arguments.deleteWhenDone);
}

std::string_view ResultName(ExitStatus status) {
  switch (status) {
    case ExitStatus::done:
      return "ok";
    case ExitStatus::cancelled:
      return "cancelled";
    case ExitStatus::damaged:
      return "damaged";
    case ExitStatus::failed:
    case ExitStatus::badUsage:
      break;
  }
  return "failed";
}

// The verify's outcome and the final timing and transfer lines, as numbers.
void WriteVerifyJson(const std::string& master, ExitStatus status, const MergeOutcome& outcome) {
  const OperationState& state = ProcessOperationState();
  const std::uint64_t seconds = ElapsedSeconds(state, platform::TickCount64());
  JsonWriter json;
  json.BeginObject();
  json.Key("master").String(master);
  json.Key("result").String(ResultName(status));
  json.Key("error");
  outcome.failure.empty() ? json.Null() : json.String(outcome.failure);
  json.Key("elapsed_seconds").Number(seconds);
  json.Key("bytes_processed").Number(state.bytesDone);
  json.Key("bytes_per_second").Number(state.bytesDone / std::max<std::uint64_t>(seconds, 1));
  json.Key("rebuilt_by_recovery").BeginArray();
  for (const std::string& name : outcome.rebuilt) json.String(name);
  json.EndArray();
  platform::WriteToStandardOutput(json.EndObject().Document());
}

// Nothing is written, so the stored destination does not matter.
ExitStatus RunVerifyCommand(ConsoleContext& context) {
  const std::string master = MasterPath(context);
  if (context.arguments.report) return RunReport(context, master);
  const MergePageFields fields = LoadMergeRequest(context, master, MergePlace::original);
  if (!context.arguments.json) return RunMerge(context, fields, true, false);
  MergeOutcome outcome;
  const ExitStatus status = RunMerge(context, fields, true, false, &outcome);
  WriteVerifyJson(master, status, outcome);
  return status;
}

void WritePackageInfoJson(const MergePageFields& fields, const MasterHeader& header,
                          const StubNotice& stub) {
  JsonWriter json;
  json.BeginObject();
  json.Key("master").String(fields.sourcePath);
  json.Key("split_file_count").Number(header.fileCount);
  json.Key("max_split_file_size").Number(LargestSplitFileSize(header));
  const std::string timeSplit = FormatIsoDateTimeUtc(header.splitTime);
  json.Key("time_split");
  timeSplit.empty() ? json.Null() : json.String(timeSplit);
  json.Key("byte_size").Number(header.originalSize);
  json.Key("comments").String(WithLineFeeds(fields.comments));
  json.Key("merged_file_name").String(fields.fileName);
  json.Key("merged_file_folder").String(fields.destinationFolder);
  json.Key("stub_system");
  stub.system ? json.String(*stub.system) : json.Null();
  json.Key("stub_runs_here");
  stub.system ? json.Bool(stub.runsHere) : json.Null();
  platform::WriteToStandardOutput(json.EndObject().Document());
}

ExitStatus RunInfoCommand(ConsoleContext& context) {
  const std::string master = MasterPath(context);
  MasterHeader header;
  const MergePageFields fields = LoadMergeRequest(context, master, MergePlace::chosen, &header);
  const StubNotice stub = ReadStubNotice(master);
  if (context.arguments.json) {
    WritePackageInfoJson(fields, header, stub);
  } else {
    WritePackageInfo(fields);
    if (stub.system) platform::WriteToStandardOutput("Stub runs on: " + *stub.system + "\n");
  }
  WarnWhenStubRunsElsewhere(stub, master, context.programName);
  return ExitStatus::done;
}

}  // namespace

extern const ConsoleCommand kMergeCommand = {
    {"merge", 1, 1,
     kOptionDestination | kOptionName | kOptionDeleteWhenDone | kOptionAnswer | kOptionSearch},
    RunMergeCommand};
extern const ConsoleCommand kVerifyCommand = {
    {"verify", 1, 1, kOptionAnswer | kOptionReport | kOptionSearch | kOptionJson},
    RunVerifyCommand};
extern const ConsoleCommand kInfoCommand = {{"info", 1, 1, kOptionJson}, RunInfoCommand};
