#pragma once
// The MOD loader: 31-sample Amiga modules with a channel-count signature at
// byte 1080. Patterns become the player's packed form through the period
// table; samples go to the device with Amiga-style loops.

#include <cstdint>
#include <memory>
#include <span>

#include "sound/core/error_code.h"
#include "sound/core/sound_device.h"
#include "sound/loaders/module.h"
#include "sound/loaders/xm_loader.h"

namespace corvid {

// As loadXM. Fails with 15 without a known signature, 16 for an oversized
// sample, 17 for a period off the table or an instrument above 31, 29 when
// the file ends early. Channels pan at the default stereo separation
// (Module::applyStereoSeparation sets another).
ErrorCode loadMOD(const char* fileName, bool addToDevice, SampleCallback sampleCallback, const SoundDevice* device,
                  std::unique_ptr<Module>& module);
ErrorCode loadMOD(std::span<const uint8_t> fileBytes, bool addToDevice, SampleCallback sampleCallback,
                  const SoundDevice* device, std::unique_ptr<Module>& module);

}  // namespace corvid
