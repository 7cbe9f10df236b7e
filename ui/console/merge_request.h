#pragma once
// What the merge, verify and info commands share: the Merge page's fields as the command line
// and the preferences give them, what the page shows of a package, and the merge itself.

#include <string>
#include <vector>

#include "ui/console/app.h"
#include "ui/merge_page_rules.h"

// Where the name and the folder of the merged file come from.
enum class MergePlace {
  chosen,    // --dest and --name, else the stored Merge preferences
  original,  // the master's own folder and the original name, whatever is stored
};

// The page's fields for the master named by `masterPath`, with the information read from it.
// Raises what reading the master raises, and 1119 when the destination folder does not exist;
// a folder as the master or a file as the destination is said to be one. `header`, when given,
// receives the master header the fields were made from.
MergePageFields LoadMergeRequest(const ConsoleContext& context, const std::string& masterPath,
                                 MergePlace place, MasterHeader* header = nullptr);

// Comments as a multi-line edit keeps them (lines apart with a carriage return and a line
// feed), with line feeds alone.
std::string WithLineFeeds(std::string text);

// The --search folders, made absolute as typed.
std::vector<std::string> SearchFolders(const ConsoleArguments& arguments);

// What the Merge page shows of the package, one line each, on standard output.
void WritePackageInfo(const MergePageFields& fields);

// How a merge ended beyond its exit status: the text of the failure that ended it, as
// standard error shows it; empty when none did.
struct MergeOutcome {
  std::string failure;
  // The package files rebuilt from the recovery files (a verify: that they can rebuild).
  std::vector<std::string> rebuilt;
};

// Merges the package into the merged file (or only checks it, writing nothing), inside the
// operation scope; `deleteWhenDone` asks for the package to go after a full success.
// `outcome`, when given, receives how it ended.
ExitStatus RunMerge(ConsoleContext& context, const MergePageFields& fields, bool verifyOnly,
                    bool deleteWhenDone, MergeOutcome* outcome = nullptr);
