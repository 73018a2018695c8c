#pragma once
// What every module of the sound library shares at run time: the last error,
// the options, the device list, the one re-entrant library lock and the fatal
// path. All of it lives in one process-wide LibraryCore.
//
// Threads: the lock guards the device, the channels and the players; the
// player thread holds it for a whole service pass. The last error and the
// options are read and written without it, from the main thread.

#include <array>
#include <mutex>
#include <string>

#include "sound/core/error_code.h"
#include "sound/core/options.h"
#include "sound/core/sound_device.h"

namespace corvid {

// Receives the text of an error no caller can be told about. The default
// writes it and a line feed to standard error and ends the process with 255.
using FatalErrorHandler = void (*)(const char* text);

// Undoes whatever the library has open before a fatal error is reported.
using UninitializeRoutine = ErrorCode (*)();

void defaultFatalErrorHandler(const char* text);

struct LibraryCore {
    ErrorCode lastError = ErrorCode::ok;
    OptionValues options;
    FatalErrorHandler fatalErrorHandler = defaultFatalErrorHandler;
    UninitializeRoutine uninitialize = nullptr;  // installed by the public interface
    std::array<SoundDevice*, deviceCount> devices{};  // in detection order; filled by the devices
    std::recursive_mutex lock;
};

LibraryCore& libraryCore();

// The start-up state of the core: no last error, every option at its default,
// the default fatal-error handler.
void resetLibraryCore();

// Public calls report 1 for success; a failure is kept as the last error and
// reported as 0.
int reportResult(ErrorCode code);

// Holds the library lock for a scope; re-entrant.
class LibraryLock {
public:
    LibraryLock() : guard_(libraryCore().lock) {}

private:
    std::lock_guard<std::recursive_mutex> guard_;
};

// The text the fatal path reports for `code`, given the outcome of undoing
// what was open first.
std::string fatalErrorText(ErrorCode code, ErrorCode uninitializeResult);

// The fatal path: undo what is open, then hand the text to the handler.
void fatalError(ErrorCode code);

}  // namespace corvid
