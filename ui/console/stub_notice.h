#pragma once
// What the console tells about a self-extracting master's stub: the system it runs on, and a
// warning when that is not this one (the package still merges here with the merge command).

#include <optional>
#include <string>
#include <string_view>

struct StubNotice {
  std::optional<std::string> system;  // nothing for a master without a stub
  bool runsHere = true;               // the running program's system is the stub's
};

// Raises the file errors of reading the master.
StubNotice ReadStubNotice(const std::string& masterPath);

// The warning, on standard error, when the stub cannot run on this system.
void WarnWhenStubRunsElsewhere(const StubNotice& notice, const std::string& masterPath,
                               std::string_view programName);
