#pragma once
// The IT loader: sample mode and instrument mode (note-to-sample keyboard,
// volume and panning envelopes, fadeout), plain and compressed samples,
// packed patterns with the volume column, on up to 32 channels.

#include <cstdint>
#include <memory>
#include <span>

#include "sound/core/error_code.h"
#include "sound/core/sound_device.h"
#include "sound/loaders/module.h"
#include "sound/loaders/xm_loader.h"

namespace corvid {

// As loadXM. Fails with 15 for a bad id or counts beyond the format's
// tables, 16 for a damaged compressed sample, 17 for pattern data that runs
// past its stored length, 29 when a pointer or sample reaches past the file.
ErrorCode loadIT(const char* fileName, bool addToDevice, SampleCallback sampleCallback, const SoundDevice* device,
                 std::unique_ptr<Module>& module);
ErrorCode loadIT(std::span<const uint8_t> fileBytes, bool addToDevice, SampleCallback sampleCallback,
                 const SoundDevice* device, std::unique_ptr<Module>& module);

}  // namespace corvid
