#include "platform/termination.h"

#include <csignal>

namespace platform {

namespace {

volatile std::sig_atomic_t terminationSignal = 0;

extern "C" void onTerminationSignal(int signal) { terminationSignal = signal; }

}  // namespace

void watchTerminationRequests()
{
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a wait in poll or select returns with EINTR, so the
    // window loops look at the flag at once.
    action.sa_flags = 0;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

bool terminationRequested() { return terminationSignal != 0; }

}  // namespace platform
