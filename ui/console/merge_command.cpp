#include "platform/files.h"
#include "ui/console/console_commands.h"
#include "ui/console/merge_request.h"
#include "ui/console/report_command.h"

namespace {

std::string MasterPath(const ConsoleContext& context) {
  return platform::AbsolutePath(context.arguments.operands.at(0));
}

ExitStatus RunMergeCommand(ConsoleContext& context) {
  const MergePageFields fields = LoadMergeRequest(context, MasterPath(context), MergePlace::chosen);
  return RunMerge(context, fields, false, context.arguments.deleteWhenDone);
}

// Nothing is written, so the stored destination does not matter.
ExitStatus RunVerifyCommand(ConsoleContext& context) {
  if (context.arguments.report) return RunReport(context, MasterPath(context));
  const MergePageFields fields =
      LoadMergeRequest(context, MasterPath(context), MergePlace::original);
  return RunMerge(context, fields, true, false);
}

ExitStatus RunInfoCommand(ConsoleContext& context) {
  WritePackageInfo(LoadMergeRequest(context, MasterPath(context), MergePlace::chosen));
  return ExitStatus::done;
}

}  // namespace

extern const ConsoleCommand kMergeCommand = {
    {"merge", 1, 1,
     kOptionDestination | kOptionName | kOptionDeleteWhenDone | kOptionAnswer | kOptionSearch},
    RunMergeCommand};
extern const ConsoleCommand kVerifyCommand = {
    {"verify", 1, 1, kOptionAnswer | kOptionReport | kOptionSearch}, RunVerifyCommand};
extern const ConsoleCommand kInfoCommand = {{"info", 1, 1, 0}, RunInfoCommand};
