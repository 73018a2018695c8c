#pragma once
// The mixer's part of a device's operation table, and the one mixer that the
// library's output devices share. Devices call openSharedMixer, mixSharedMixer
// and closeSharedMixer from their own open, service step and close.

#include "sound/core/sound_device.h"
#include "sound/mixer/mixer.h"

namespace corvid {

Mixer& sharedMixer();

// Opens the shared mixer with the library's options (mu-law conversion,
// output filter) and the processor's vendor.
ErrorCode openSharedMixer(uint32_t mixingRate, uint32_t formatBits);
ErrorCode closeSharedMixer();

// The resampling a device asks the mixer for, from its output mode bits and
// the library's mixing mode: mixSinc, mixInterpolating or nothing.
uint32_t resamplingFormat(uint32_t outputModeBits);
ErrorCode mixSharedMixer(uint32_t frames, void* destination);

// Fills get mixing rate, every channel and sample operation, and the output
// progress of a device that queues nothing (the frames the mixer has made);
// they act on the Mixer the device's context points to.
void installMixerOperations(SoundDeviceOperations& operations);

}  // namespace corvid
