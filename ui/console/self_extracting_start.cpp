#include "base/message_format.h"
#include "engine/operation_host.h"
#include "engine/package_reading.h"
#include "platform/system_info.h"
#include "ui/console/commands.h"
#include "ui/console/error_output.h"
#include "ui/console/host.h"
#include "ui/console/merge_request.h"
#include "ui/console/message.h"
#include "ui/error_report.h"

namespace {

constexpr std::string_view kMergeQuestion = "Merge the package into %1?";

// The lite program under any name, carrying a package description at its end, merges the
// package it heads; it never deletes it, since it is part of it.
ExitStatus RunSelfExtractingStart(ConsoleContext& context) {
  std::string ownPath;
  try {
    if (!IsSelfExtractingMaster() || platform::ModuleFilePath(ownPath) != 0) {
      throw UsageError("no command given");
    }
  } catch (const CException& error) {
    return WriteErrorReport(error, ErrorStage::startup, [&context](std::string_view text) {
      WriteMessage(context.programName, text);
    });
  }
  const MergePageFields fields = LoadMergeRequest(context, ownPath, MergePlace::chosen);
  WritePackageInfo(fields);
  ConsoleHost host(SystemTerminal(), context.programName, context.arguments.answer,
                   context.arguments.quiet);
  const std::string question = FormatMessageText(kMergeQuestion, {PrepareMergeRun(fields)});
  if (host.AskQuestion(question, kBoxYesNo | kBoxIconQuestion) != kButtonYes) {
    return ExitStatus::cancelled;
  }
  return RunMerge(context, fields, false, false);
}

}  // namespace

extern const ConsoleCommand kSelfExtractingStart = {
    {"", 0, 0, kOptionDestination | kOptionName | kOptionAnswer | kOptionSearch},
    RunSelfExtractingStart};
