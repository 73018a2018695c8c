#pragma once
// The silent device, "Mixing No Sound Sound Device": always found, plays
// nothing, but mixes (and discards) 4000 frames of 16-bit mono per second of
// clock time so that the music position still advances as with sound.

#include <cstdint>
#include <vector>

#include "sound/core/sound_device.h"
#include "sound/devices/device_common.h"

namespace corvid {

inline constexpr uint32_t silentMixingRate = 4000;

struct SilentDeviceState {
    TickCounter ticks;
    bool paused = false;
    uint64_t lastPassMs = 0;     // device clock at the previous start pass
    uint32_t pendingFrames = 0;  // still to mix in this pass
    std::vector<uint8_t> scratch;
};

SilentDeviceState& silentDeviceState();
SoundDevice& silentDevice();

// Frames a start pass owes for `elapsedMs` since the previous one: at most
// 2000 ms count, and a gap of 9 ms or less counts as none.
uint32_t silentFramesFor(uint64_t elapsedMs);

}  // namespace corvid
