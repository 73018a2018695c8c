#pragma once
// The sound library's numbered errors. Every internal operation returns one
// (ok = success); the public calls turn a failure into 0 and keep the code as
// the last error.

#include <cstdint>

namespace corvid {

enum class ErrorCode : int32_t {
    ok = 0,
    undefined = 1,
    outOfMemory = 2,
    heapCorrupted = 3,
    invalidMemoryBlock = 4,
    outOfEmsMemory = 5,
    emsHeapCorrupted = 6,
    invalidEmsBlock = 7,
    emmFailure = 8,
    outOfCardMemory = 9,
    cardHeapCorrupted = 10,
    invalidCardBlock = 11,
    outOfSampleHandles = 12,
    fileOpen = 13,
    fileRead = 14,
    invalidModule = 15,
    invalidInstrument = 16,
    invalidPatternData = 17,
    invalidChannel = 18,
    invalidSampleHandle = 19,
    channelsNotOpen = 20,
    hardwareFailure = 21,
    invalidArguments = 22,
    fileNotFound = 23,
    invalidFileHandle = 24,
    accessDenied = 25,
    fileExists = 26,
    tooManyOpenFiles = 27,
    diskFull = 28,
    unexpectedEndOfFile = 29,
    invalidPath = 30,
    fileWrite = 31,
    virtualDmaLock = 32,
    virtualDmaUnavailable = 33,
    virtualDmaVersion = 34,
    dpmiFailure = 35,
    invalidSegment = 36,
    outOfResources = 37,
    invalidDevice = 38,
    unsupportedFunction = 39,
    deviceNotAvailable = 40,
    deviceBusy = 41,
    unsupportedOutputMode = 42,
    memoryLock = 43,
    noWindowHandle = 44,
    invalidAdpcmData = 45,
    invalidSampleType = 46,
    noModulePlaying = 47,
    outOfChannels = 48,
    noDirectSoundLibrary = 49,
    badWaveFile = 50,
    unsupportedSampleFormat = 51,
};

inline constexpr int32_t errorCodeCount = 52;

// The message text of a code; "Undefined error" for a number outside the table.
const char* errorMessage(int32_t code);
inline const char* errorMessage(ErrorCode code) { return errorMessage(static_cast<int32_t>(code)); }

}  // namespace corvid
