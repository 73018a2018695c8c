// A console's Ctrl+C, Ctrl+Break and close arrive on a thread of the system's
// own: the handler sets the flag and wakes the thread that watches for them,
// whose message wait (the setup window's) returns at once.
#include "platform/termination.h"

#include <windows.h>

#include <atomic>

namespace platform {

namespace {

struct TerminationState {
    std::atomic<bool> requested{false};
    DWORD watchingThread = 0;
};

TerminationState terminationState;

BOOL WINAPI onConsoleControl(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT)
        return FALSE;
    terminationState.requested.store(true);
    PostThreadMessageA(terminationState.watchingThread, WM_NULL, 0, 0);
    return TRUE;
}

}  // namespace

void watchTerminationRequests()
{
    terminationState.watchingThread = GetCurrentThreadId();
    SetConsoleCtrlHandler(onConsoleControl, TRUE);
}

bool terminationRequested() { return terminationState.requested.load(); }

}  // namespace platform
