#include "platform/thread_priority.h"

namespace platform {

// The page has no threads of its own to raise: its timer runs the sound.
void raiseCurrentThreadPriority() {}

}  // namespace platform
