#pragma once
// The capture device: never detected, chosen by the host when it records the
// show. It mixes 44100 Hz stereo 16-bit sound exactly as far as its clock has
// advanced since open (a virtual clock in capture), and hands every frame to
// the host's sink, so recorded picture and sound agree to the sample and two
// recordings are identical.

#include <cstdint>
#include <span>
#include <vector>

#include "platform/clock.h"
#include "sound/core/sound_device.h"
#include "sound/devices/device_common.h"

namespace corvid {

inline constexpr uint32_t captureMixingRate = 44100;

// The mixing family is chosen here, not by the processor's vendor as on the
// other devices, so that a recording is the same on every machine.
enum class CaptureMixing { floatingPoint, integer, interpolating, sinc };

// Receives the captured sound: interleaved left, right 16-bit frames.
class SoundSink {
public:
    virtual ~SoundSink() = default;
    virtual void writeSound(std::span<const int16_t> frames) = 0;
};

struct CaptureDeviceState {
    platform::Clock* clock = nullptr;
    SoundSink* sink = nullptr;
    CaptureMixing mixing = CaptureMixing::floatingPoint;
    uint64_t originTicks = 0;    // clock at open
    uint64_t framesMixed = 0;    // since open
    uint64_t pendingFrames = 0;  // owed to the clock in this pass
    bool paused = false;
    TickCounter ticks;
    std::vector<int16_t> buffer;
};

CaptureDeviceState& captureDeviceState();
SoundDevice& captureDevice();

// Frames of 44100 Hz sound in `ticks` of the clock, rounded down.
uint64_t captureFramesFor(uint64_t ticks);

}  // namespace corvid
