// CORVID, the sound library: device choice for C++ hosts. Call these after
// MusicStartup (which forgets any earlier choice) and before MusicInit.
#pragma once

#include <cstdint>

#include "platform/clock.h"
#include "sound/devices/capture_device.h"
#include "sound/include/corvid.h"

namespace corvid {

// Opens device `index` of the list (0 DirectSound, 1 wave-out, 2 silent)
// instead of detecting one; -1 detects again.
void selectDevice(int32_t index);

// Records instead of playing: the capture device mixes 44100 Hz stereo
// 16-bit exactly as far as `clock` advances and hands the sound to `sink`.
// Both must outlive the open device. Run the service with MusicPoll after
// each advance of the clock so that the recording is the same on every run.
// Option 11 still asks for interpolation.
void useCaptureDevice(platform::Clock& clock, SoundSink& sink, CaptureMixing mixing = CaptureMixing::floatingPoint);

// The device MusicInit opened (its name says which), or null.
const SoundDevice* openDevice();

// Frames the capture device has mixed since it opened.
uint64_t captureFramesMixed();

// A play as it is heard now: MusicGetPlayStatus follows the mixing, which
// runs ahead of the ear by whatever waits in the device's buffers and the
// sound system's. This is the status the play had at the frame being heard
// (frames mixed less frames queued); where nothing is queued (the capture
// and silent devices) it is MusicGetPlayStatus's.
struct HeardStatus {
    MusicStatus status{};
    uint64_t framesMixed = 0;   // by the open device since it opened
    uint32_t framesQueued = 0;  // of those, not heard yet
};
// 1 on success; else 0 with the error code set, as MusicGetPlayStatus.
int heardPlayStatus(int handle, HeardStatus& heard);

// Called after every player tick for every play (its handle, and whether the
// tick read a new row), on the thread that ran it and under the library lock,
// so it must not wait for the main thread; null for none.
using TickListener = void (*)(void* context, int handle, bool rowStarted);
void setTickListener(TickListener listener, void* context);

}  // namespace corvid
