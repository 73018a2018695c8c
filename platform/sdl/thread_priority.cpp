#include "platform/thread_priority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

namespace {
// A nice value a little above normal; refused without the privilege to lower it.
constexpr int raisedNiceValue = -5;
}  // namespace

void raiseCurrentThreadPriority()
{
    const auto threadId = static_cast<id_t>(syscall(SYS_gettid));
    setpriority(PRIO_PROCESS, threadId, raisedNiceValue);
}

}  // namespace platform
