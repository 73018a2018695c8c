#pragma once
// The system's requests to end the program (SIGTERM and SIGINT here, a
// console's Ctrl+C elsewhere), reported instead of ending it at once, so that
// the show can end the way it ends on Escape and give back what it holds.

namespace platform {

// From now on a request only sets the flag below; a blocking wait for window
// events returns early when one arrives.
void watchTerminationRequests();
bool terminationRequested();

}  // namespace platform
