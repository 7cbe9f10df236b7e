#include "ui/console/console_usage.h"

#include "app/message_format.h"
#include "ui/console/console_app.h"

namespace {

constexpr std::string_view kFullUsage =
    R"(Usage:
  %1 split SOURCE [--dest FOLDER] [--prefix NAME] [--size SIZE | --count N]
                  [--self-extracting | --data-only] [--comments TEXT] [--yes | --no]
  %1 plan SOURCE [the options of split]
  %1 merge MASTER [--dest FOLDER] [--name NAME] [--delete-when-done] [--yes | --no]
  %1 verify MASTER [--yes | --no]
  %1 info MASTER
  %1 settings [NAME [VALUE]]
  %1 sizes

Commands:
  split     split SOURCE into a package: a master file NAME_00000.fsm (or NAME_00000.exe,
            self-extracting) and data split files NAME_00001.fss, NAME_00002.fss...
  plan      show the plan of a split without splitting: the file's size, the number of
            split files and their size, or why the file cannot be split so
  merge     merge the package that MASTER heads back into the original file
  verify    check every file of the package; nothing is written
  info      show what the package holds and where a merge would put it
  settings  show every stored preference, its value and where it is stored; with NAME,
            that one; with NAME and VALUE, change it (for example Split\Files 4)
  sizes     list the preset split file sizes

Options:
  --dest FOLDER       the folder for the split files, or for the merged file
  --prefix NAME       the name the split files start with (the source's file name if not set)
  --size SIZE         the largest split file, as 700MB, 1.5GB or a number of bytes
  --count N           the number of split files, 2 to 32,766, the master included
  --self-extracting   make a master that merges its package when run
  --data-only         make a master that holds only the package's description
  --comments TEXT     comments kept in the package
  --name NAME         the merged file's name (the original file's name if not set)
  --delete-when-done  delete the package after a merge that succeeded
  --yes, --no         answer questions so instead of asking; without a terminal, questions
                      are otherwise answered No (or Cancel)
  /UserDataFolder:FOLDER, /UserDataFilePath:FILE
                      where the configuration file is looked for

What the command line leaves open comes from the stored preferences, and a split stores its
choices as the next one's defaults, as the program's pages do (see '%1 settings').
Ctrl-C asks whether to cancel; a second Ctrl-C confirms.
Exit status: 0 done, 1 failed, 2 bad usage, 3 cancelled or declined.
)";

constexpr std::string_view kLiteUsage =
    R"(Usage:
  %1 merge MASTER [--dest FOLDER] [--name NAME] [--delete-when-done] [--yes | --no]
  %1 verify MASTER [--yes | --no]
  %1 info MASTER
  %1 [--dest FOLDER] [--name NAME] [--yes | --no]
            as a self-extracting master: show the package it heads, ask, and merge it
            (into the master's folder under the original name if not set)

Commands:
  merge     merge the package that MASTER heads back into the original file
  verify    check every file of the package; nothing is written
  info      show what the package holds and where a merge would put it

Options:
  --dest FOLDER       the folder for the merged file
  --name NAME         the merged file's name (the original file's name if not set)
  --delete-when-done  delete the package after a merge that succeeded
  --yes, --no         answer questions so instead of asking; without a terminal, questions
                      are otherwise answered No (or Cancel)

This program stores no settings. Ctrl-C asks whether to cancel; a second Ctrl-C confirms.
Exit status: 0 done, 1 failed, 2 bad usage, 3 cancelled or declined.
)";

}  // namespace

std::string UsageText(ProgramKind kind, std::string_view programName) {
  return FormatMessageText(kind == ProgramKind::full ? kFullUsage : kLiteUsage, {programName});
}
