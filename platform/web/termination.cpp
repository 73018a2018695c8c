// The browser asks a page to end only by closing it, which reaches the show
// as the display window's close request; there are no signals to watch.

#include "platform/termination.h"

namespace platform {

void watchTerminationRequests() {}

bool terminationRequested() { return false; }

}  // namespace platform
