#include "sound/core/library.h"

#include <cstdio>
#include <cstdlib>

#include "sound/include/corvid.h"

namespace corvid {

LibraryCore& libraryCore()
{
    static LibraryCore core;
    return core;
}

void resetLibraryCore()
{
    LibraryCore& core = libraryCore();
    core.lastError = ErrorCode::ok;
    core.options.reset();
    core.fatalErrorHandler = defaultFatalErrorHandler;
}

// The fatal path mostly runs on the player thread while the host's main
// thread goes on drawing: the process ends at once, without running static
// destructors under that thread's feet (what the library held is undone by
// then).
void defaultFatalErrorHandler(const char* text)
{
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n", text);
    std::fflush(stderr);
    std::_Exit(255);
}

int reportResult(ErrorCode code)
{
    if (code == ErrorCode::ok)
        return 1;
    libraryCore().lastError = code;
    return 0;
}

std::string fatalErrorText(ErrorCode code, ErrorCode uninitializeResult)
{
    if (uninitializeResult != ErrorCode::ok)
        return std::string("FATAL CORVID uninitialization failure: ") + errorMessage(uninitializeResult);
    return std::string("CORVID Error: ") + errorMessage(code);
}

void fatalError(ErrorCode code)
{
    LibraryCore& core = libraryCore();
    const ErrorCode undone = core.uninitialize ? core.uninitialize() : ErrorCode::ok;
    core.fatalErrorHandler(fatalErrorText(code, undone).c_str());
}

}  // namespace corvid

using corvid::libraryCore;

extern "C" {

int MusicGetLastError(void) { return static_cast<int>(libraryCore().lastError); }

const char* MusicGetErrorMessage(int code) { return corvid::errorMessage(code); }

int MusicSetOption(int number, int value)
{
    libraryCore().options.set(number, value);
    return 1;
}

int MusicGetOption(int number) { return libraryCore().options.get(number); }

void MusicLock(void) { libraryCore().lock.lock(); }

void MusicUnlock(void) { libraryCore().lock.unlock(); }

void MusicSetFatalErrorHandler(MusicFatalErrorHandler handler)
{
    libraryCore().fatalErrorHandler = handler ? handler : corvid::defaultFatalErrorHandler;
}

}  // extern "C"
