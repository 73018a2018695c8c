#include "platform/thread_priority.h"

#include <windows.h>

namespace platform {

void raiseCurrentThreadPriority() { SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL); }

}  // namespace platform
