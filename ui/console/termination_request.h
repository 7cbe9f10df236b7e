#pragma once
// A request to end the program (SIGTERM) while an operation runs: the operation stops as if
// cancelled, removing its partial output, and the program then ends as the request asked.

// From now on the request is noted instead of ending the program at once.
void WatchTerminationRequest();
bool TerminationRequested();
// Ends the program as the request would have, had it not been watched; returns when there
// was no request.
void EndIfTerminationRequested();
