#pragma once
// Requests to end the program while an operation runs: the operation stops as if cancelled,
// removing its partial output, and the program then ends as the request asked.

namespace platform {

// From now on a request to end (a termination; on POSIX also a hangup or a closed output
// pipe) is noted instead of ending the program at once, and a call blocked on a pipe or a
// terminal returns early. A signal ignored when the program started stays ignored. On POSIX a
// file that outgrows the file size limit fails its write instead of ending the program.
void WatchTerminationRequests();
bool TerminationRequested();
// Ends the program as the noted request would have; returns when there was none.
void EndIfTerminationRequested();

}  // namespace platform
