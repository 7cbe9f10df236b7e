#include "ui/console/usage.h"

#include "base/message_format.h"
#include "platform/version_info.h"
#include "ui/console/app.h"

namespace {

constexpr std::string_view kFullUsage =
    R"(Usage:
  %1 split SOURCE [-d FOLDER] [--prefix NAME] [-s SIZE | -n N]
                  [--self-extracting | --data-only] [--comments TEXT] [-y | --no] [-q]
                  [--stub FILE] [--manifest] [--recovery N% | --recovery N]
  %1 plan SOURCE [the options of split] [--json]
  %1 merge MASTER [-d FOLDER] [--name NAME] [--delete-when-done] [-y | --no] [-q]
  %1 verify MASTER [-y | --no] [-q] [--json]
  %1 verify MASTER [--report] [--search FOLDER]... [--json]
  %1 repair MASTER [-d FOLDER] [-q]
  %1 info MASTER [--json]
  %1 settings [NAME [VALUE]]
  %1 sizes [--json]

Commands:
  split     split SOURCE into a package: a master file NAME_00000.fsm (or NAME_00000.exe,
            self-extracting) and data split files NAME_00001.fss, NAME_00002.fss...
  plan      show the plan of a split without splitting: the file's size, the number of
            split files and their size, or why the file cannot be split so
  merge     merge the package that MASTER heads back into the original file
  verify    check every file of the package; nothing is written
  repair    rebuild the missing and damaged files of the package from its recovery files
            (NAME.par2 and NAME.vol*.par2, or those of any PAR2 program), beside it or in
            FOLDER
  info      show what the package holds and where a merge would put it
  settings  show every stored preference, its value and where it is stored; with NAME,
            that one; with NAME and VALUE, change it (for example Split\Files 4)
  sizes     list the preset split file sizes

Options:
  -d, --dest FOLDER   the folder for the split files, or for the merged file (the source's
                      folder if not given), or for the files repair rebuilds
  --prefix NAME       the name the split files start with (the source's file name if not given)
  -s, --size SIZE     the largest split file: 700M, 700MB, 700MiB, "700 MB" and 1.5G are
                      powers of 1024; a bare number is bytes
  -n, --count N       the number of split files, 2 to 32,766, the master included
  --self-extracting   make a master that merges its package when run
  --data-only         make a master that holds only the package's description
  --comments TEXT     comments kept in the package
  --stub FILE         the lite program that heads the self-extracting master, such as
                      PartwellLite.exe of the Windows build for a package for Windows
                      (implies --self-extracting)
  --manifest          also write NAME.sha256 with the SHA-256 checksum of every split file and
                      of the file split (for sha256sum -c); merge and verify check with it
  --recovery N%, N    also write PAR2 recovery files (NAME.par2 and volumes NAME.vol*.par2
                      of about one split file each): N% of the split files rounded up, or
                      N volumes; any N lost or damaged package files can be rebuilt; merge,
                      verify and repair use them, as do other PAR2 programs
  --name NAME         the merged file's name (the original file's name if not given)
  --delete-when-done  delete the package after a merge that succeeded
  --report            verify: read on past bad pieces and list each one with its state (ok,
                      missing, wrong size, wrong checksum, from another package, found
                      elsewhere), how many are good and which to fetch again
  --search FOLDER     merge, verify: a piece that is missing or bad beside the master is
                      looked for in FOLDER by its name and taken when its header shows it
                      belongs; may be given again. Recovery files beside the master or in
                      these folders rebuild the pieces that are still missing or bad
  -y, --yes, --no     answer questions so instead of asking; without a terminal, questions
                      are otherwise answered No (or Cancel)
  -q, --quiet         show only errors
  --json              info, plan, verify, sizes: one JSON document on standard output
                      (the man page gives its fields); progress and questions stay on
                      standard error
  -h, --help          show this text
  -V, --version       show the program's version
  --                  end the options: what follows is an operand
  /UserDataFolder:FOLDER, /UserDataFilePath:FILE
                      where the configuration file is looked for

A command stores nothing: what the command line leaves open about how to split (size or count,
self-extracting, the questions) comes from the settings, which only '%1 settings' changes.
Ctrl-C asks whether to cancel; a second Ctrl-C confirms. Without a terminal Ctrl-C cancels.
Exit status: 0 done, 1 failed, 2 bad usage, 3 cancelled or declined.
verify --report ends with 4 when a piece is missing or bad.
)";

constexpr std::string_view kLiteUsage =
    R"(Usage:
  %1 merge MASTER [-d FOLDER] [--name NAME] [--delete-when-done] [-y | --no] [-q]
  %1 verify MASTER [-y | --no] [-q] [--json]
  %1 verify MASTER [--report] [--search FOLDER]... [--json]
  %1 repair MASTER [-d FOLDER] [-q]
  %1 info MASTER [--json]
  %1 [-d FOLDER] [--name NAME] [-y | --no] [-q]
            as a self-extracting master: show the package it heads, ask, and merge it
            (into the master's folder under the original name if not given)

Commands:
  merge     merge the package that MASTER heads back into the original file
  verify    check every file of the package; nothing is written
  repair    rebuild the missing and damaged files of the package from its recovery files
            (NAME.par2 and NAME.vol*.par2, or those of any PAR2 program), beside it or in
            FOLDER
  info      show what the package holds and where a merge would put it

Options:
  -d, --dest FOLDER   the folder for the merged file (the master's folder if not given), or
                      for the files repair rebuilds
  --name NAME         the merged file's name (the original file's name if not given)
  --delete-when-done  delete the package after a merge that succeeded
  --report            verify: read on past bad pieces and list each one with its state (ok,
                      missing, wrong size, wrong checksum, from another package, found
                      elsewhere), how many are good and which to fetch again
  --search FOLDER     merge, verify: a piece that is missing or bad beside the master is
                      looked for in FOLDER by its name and taken when its header shows it
                      belongs; may be given again. Recovery files beside the master or in
                      these folders rebuild the pieces that are still missing or bad
  -y, --yes, --no     answer questions so instead of asking; without a terminal, questions
                      are otherwise answered No (or Cancel)
  -q, --quiet         show only errors
  --json              info, verify: one JSON document on standard output (the man page
                      gives its fields); progress and questions stay on standard error
  -h, --help          show this text
  -V, --version       show the program's version
  --                  end the options: what follows is an operand

This program stores no settings. Ctrl-C asks whether to cancel; a second Ctrl-C confirms.
Without a terminal Ctrl-C cancels.
Exit status: 0 done, 1 failed, 2 bad usage, 3 cancelled or declined.
verify --report ends with 4 when a piece is missing or bad.
)";

}  // namespace

std::string UsageText(ProgramKind kind, std::string_view programName) {
  return FormatMessageText(kind == ProgramKind::full ? kFullUsage : kLiteUsage, {programName});
}

std::string VersionText(std::string_view programName) {
  std::string path;
  platform::VersionInfo info;
  if (platform::ReadOwnVersionInfo(path, info) != 0) return std::string(programName) + "\n";
  std::string text =
      std::string(programName) + " (" + info.productName + ") " + info.productVersion;
  if (info.fixed) text += ", build " + std::to_string(info.fixed->fileVersionLs & 0xFFFF);
  text += "\n" + info.legalCopyright + "\n";
  text += "There is NO WARRANTY, to the extent permitted by law.\n";
  return text;
}
