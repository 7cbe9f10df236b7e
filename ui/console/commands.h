#pragma once
// The commands of the console programs, each with the operands and options it takes. A
// program links only the commands it names.

#include "ui/console/app.h"

extern const ConsoleCommand kSplitCommand;     // split SOURCE [options]
extern const ConsoleCommand kPlanCommand;      // plan SOURCE [options of split]
extern const ConsoleCommand kMergeCommand;     // merge MASTER [options]
extern const ConsoleCommand kVerifyCommand;    // verify MASTER
extern const ConsoleCommand kInfoCommand;      // info MASTER
extern const ConsoleCommand kRepairCommand;    // repair MASTER [--dest FOLDER]
extern const ConsoleCommand kSettingsCommand;  // settings [NAME [VALUE]]
extern const ConsoleCommand kSizesCommand;     // sizes
// The lite program run with no command: a self-extracting master merges its package.
extern const ConsoleCommand kSelfExtractingStart;
