#pragma once
// verify --report: the damage report of a package on standard output, one line per data
// split file and a summary, after the operation has read them all.

#include <string>

#include "engine/merge/package_report.h"
#include "ui/console/app.h"

// Reads the package and writes its report. Done when every piece is good, damaged when any
// is not; what keeps the report from being made (the master, a cancel) as any operation.
ExitStatus RunReport(ConsoleContext& context, const std::string& masterPath);

// The report as standard output shows it.
std::string ReportText(const PackageReport& report);
