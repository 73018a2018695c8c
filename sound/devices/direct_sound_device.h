#pragma once
// The DirectSound device, "DirectSound Sound Device 1.10": one circular
// buffer that the sound card plays round and round; each service step mixes
// into the part the card has already played, keeping a safety gap behind the
// play position, and brings back a buffer that stalls or is lost.
//
// Only used when the host asks for it (option 5 and a window in option 6).

#include <cstdint>
#include <mutex>

#include "platform/audio.h"
#include "sound/core/sound_device.h"
#include "sound/devices/device_common.h"

namespace corvid {

// Usage modes (option 5).
inline constexpr int32_t directSoundUnused = 0, directSoundWritePrimary = 2, directSoundAlways = 3;
inline constexpr uint32_t directSoundSafetyGap = 16;
inline constexpr uint64_t stallRestoreMs = 1000;

struct DirectSoundDeviceState {
    platform::SoundBuffer buffer;
    bool neverUse = false;          // the viewer's "never use DirectSound" setting
    int32_t window = 0;             // the window given in option 6
    uint32_t mixingRate = 0;
    uint32_t mode = 0;              // output mode bits
    uint32_t mixerFormat = 0;
    uint32_t bytesPerFrame = 0;
    uint32_t bufferSize = 0;        // bytes
    uint32_t writePosition = 0;
    uint32_t lastPlayPosition = 0;
    uint32_t safetyGap = directSoundSafetyGap;
    bool emulated = false;
    bool writePrimary = false;
    bool suspended = false;
    bool foreground = false;
    bool stallTimerSet = false;
    uint64_t stallSinceMs = 0;
    TickCounter ticks;
    std::recursive_mutex lock;
};

DirectSoundDeviceState& directSoundDeviceState();
SoundDevice& directSoundDevice();

// Buffer bytes for `ms` of sound: rounded up past 15 bytes, low 4 bits cleared.
uint32_t directSoundBufferBytes(uint32_t bytesPerFrame, uint32_t rate, int32_t ms);

// Bytes that may be written between the write and the play position, less
// the safety gap (0 when the gap is not exceeded).
uint32_t directSoundFreeBytes(uint32_t play, uint32_t write, uint32_t size, uint32_t gap);

// The sound buffer layer's results as library codes.
ErrorCode soundBufferError(int result);

}  // namespace corvid
