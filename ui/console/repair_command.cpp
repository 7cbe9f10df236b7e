#include "engine/merge/package_repair.h"
#include "platform/files.h"
#include "ui/console/commands.h"
#include "ui/console/merge_request.h"
#include "ui/console/operation_run.h"
#include "ui/console/path_operands.h"
#include "ui/console/terminal.h"

namespace {

// The rebuilt files go beside the package, or into the folder given for read-only media.
std::string RepairFolder(const ConsoleArguments& arguments) {
  if (!arguments.destination) return {};
  const std::string folder = platform::AbsolutePath(*arguments.destination);
  RefuseFileAsFolder(folder);
  return platform::FolderQueryPath(folder).value_or(folder);
}

ExitStatus RunRepairCommand(ConsoleContext& context) {
  const std::string path = platform::AbsolutePath(context.arguments.operands.at(0));
  const std::string folder = RepairFolder(context.arguments);
  ConsoleHost host(SystemTerminal(), context.programName, context.arguments.answer,
                   context.arguments.quiet);
  return RunOperation(host, context.prefs.beep,
                      [&] { RepairPackage(host, path, folder, SearchFolders(context.arguments)); });
}

}  // namespace

extern const ConsoleCommand kRepairCommand = {{"repair", 1, 1, kOptionDestination | kOptionSearch},
                                              RunRepairCommand};
