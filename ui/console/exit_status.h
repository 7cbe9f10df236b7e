#pragma once
// What the console programs tell the shell that started them.

enum class ExitStatus {
  done = 0,
  failed = 1,     // the message is on standard error
  badUsage = 2,   // the command line could not be understood
  cancelled = 3,  // the user cancelled, or a question was declined
  damaged = 4,    // verify --report: some data split file is missing or bad
};

inline int ExitCode(ExitStatus status) { return static_cast<int>(status); }
